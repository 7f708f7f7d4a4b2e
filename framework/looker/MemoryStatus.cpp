#include "framework/looker/MemoryStatus.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string g_meminfo;    // empty: /proc/meminfo
std::string g_cgroupDir;  // empty: the process's own cgroup folder
bool g_cgroupOverride = false;
std::function<void(UINT, double)> g_messageHook;

// A "Key: value kB" line of meminfo, in bytes.
bool ReadMeminfo(const char* key, std::uint64_t& bytes)
{
    std::ifstream in(g_meminfo.empty() ? "/proc/meminfo" : g_meminfo);
    std::string line;
    const size_t keyLength = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, keyLength, key) != 0 || line.size() <= keyLength || line[keyLength] != ':') continue;
        unsigned long long kb = 0;
        if (std::sscanf(line.c_str() + keyLength + 1, "%llu", &kb) != 1) return false;
        bytes = static_cast<std::uint64_t>(kb) * 1024u;
        return true;
    }
    return false;
}

std::string CgroupDir()
{
    if (g_cgroupOverride) return g_cgroupDir;
    std::ifstream in("/proc/self/cgroup");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("0::", 0) == 0) return "/sys/fs/cgroup" + line.substr(3);
    return {};
}

// A cgroup file holding one number; false for "max", a missing file or anything else.
bool ReadNumber(const std::string& path, std::uint64_t& value)
{
    std::ifstream in(path);
    std::string text;
    if (!(in >> text) || text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoull(text);
    return true;
}

}  // namespace

namespace looker {

bool QueryAvailablePhysical(std::uint64_t& bytes)
{
    std::uint64_t available = 0;
    if (!ReadMeminfo("MemAvailable", available)) return false;
    const std::string dir = CgroupDir();
    std::uint64_t limit = 0, used = 0;
    if (!dir.empty() && ReadNumber(dir + "/memory.max", limit)) {
        ReadNumber(dir + "/memory.current", used);
        const std::uint64_t room = limit > used ? limit - used : 0;
        if (room < available) available = room;
    }
    bytes = available;
    return true;
}

void SetResourceMessageHook(std::function<void(UINT id, double value)> hook) { g_messageHook = std::move(hook); }

void ShowResourceMessage(UINT id, double value)
{
    if (g_messageHook) g_messageHook(id, value);
}

namespace testing {
void SetMemoryFiles(const char* meminfo, const char* cgroupDir)
{
    g_meminfo = meminfo ? meminfo : "";
    g_cgroupOverride = meminfo != nullptr || cgroupDir != nullptr;
    g_cgroupDir = cgroupDir ? cgroupDir : "";
}
}  // namespace testing

}  // namespace looker

void GlobalMemoryStatus(MEMORYSTATUS* status)
{
    if (!status) return;
    std::memset(status, 0, sizeof(*status));
    status->dwLength = sizeof(*status);
    std::uint64_t total = 0, available = 0;
    ReadMeminfo("MemTotal", total);
    looker::QueryAvailablePhysical(available);
    status->dwTotalPhys = static_cast<std::size_t>(total);
    status->dwAvailPhys = static_cast<std::size_t>(available);
}
