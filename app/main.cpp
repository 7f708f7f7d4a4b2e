// Korvel's entry point. Without any display the program starts itself again
// under a virtual X server (xvfb-run), so that it runs on a machine without a
// screen as well.
#include "app/KorvelApp.h"
#include "platform/ui/WinApp.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char* kReexecMarker = "KORVEL_UNDER_XVFB";

bool HasDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

std::string FindInPath(const char* program)
{
    const char* path = std::getenv("PATH");
    std::string dirs = path != nullptr ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

// Runs the program again under xvfb-run; returns only when that is not possible.
void ReexecUnderVirtualDisplay(int argc, char** argv)
{
    if (std::getenv(kReexecMarker) != nullptr) return;  // already tried once
    const std::string xvfb = FindInPath("xvfb-run");
    if (xvfb.empty()) return;
    std::error_code ec;
    std::string self = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec || self.empty()) self = argv[0];
    ::setenv(kReexecMarker, "1", 1);
    std::vector<std::string> args = {xvfb, "-a", "-s", "-screen 0 1280x800x24", self};
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    std::vector<char*> pointers;
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    std::fprintf(stderr, "korvel: no display; starting under a virtual X server (xvfb-run)\n");
    ::execv(xvfb.c_str(), pointers.data());
}

}  // namespace

// The application object, made before main as the class library expects.
CKorvelApp theApp;

int main(int argc, char** argv)
{
    if (!HasDisplay()) {
        ReexecUnderVirtualDisplay(argc, argv);
        // No virtual X server either: run without a screen.
        std::fprintf(stderr, "korvel: no display and no xvfb-run; running on the offscreen platform\n");
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    return AfxWinMain(argc, argv);
}
