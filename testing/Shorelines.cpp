#include "testing/Shorelines.h"

#include <zlib.h>

#include <cstdio>
#include <sstream>

namespace shorelines {

std::vector<Loop> Read(const std::string& name)
{
    std::vector<Loop> loops;
    const std::string path = std::string(KORVEL_TESTING_DATA) + "/shorelines/" + name + ".txt.gz";
    gzFile f = gzopen(path.c_str(), "rb");
    if (!f)
        return loops;
    std::string text;
    char buf[1 << 14];
    int n;
    while ((n = gzread(f, buf, sizeof buf)) > 0)
        text.append(buf, static_cast<std::size_t>(n));
    gzclose(f);
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty())
            continue;
        if (line[0] == '>') {
            loops.emplace_back();
            continue;
        }
        Pt p{};
        if (!loops.empty() && std::sscanf(line.c_str(), "%lf %lf", &p[0], &p[1]) == 2)
            loops.back().push_back(p);
    }
    return loops;
}

}  // namespace shorelines
