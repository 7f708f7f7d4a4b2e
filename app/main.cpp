// Korvel's entry point. The interactive program grows here; until then it
// reports which deliverables were built beside it.
#include <cstdio>
#include <filesystem>

int main(int, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::absolute(argv[0]).parent_path();
    const char* deliverables[] = {"libgeometry.so", "libcarvex.so", "ilvane.so"};
    int missing = 0;
    for (const char* name : deliverables) {
        const bool present = fs::exists(dir / name);
        std::printf("%-16s %s\n", name, present ? "built" : "MISSING");
        missing += present ? 0 : 1;
    }
    std::printf("korvel: %s\n", missing ? "some deliverables are missing" : "all deliverables built");
    return missing ? 1 : 0;
}
