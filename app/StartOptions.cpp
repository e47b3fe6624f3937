#include "app/StartOptions.h"

#include <cstdio>
#include <cstring>

namespace tarnwick::app {
namespace {

constexpr const char* kUsage =
    "Usage: tarnwick [-h | --help | --version]\n"
    "\n"
    "Copies a MySQL or MariaDB table without its duplicate rows, in four windows: log in to a\n"
    "server, pick a table, pick the fields whose values make two rows duplicates, and name the\n"
    "new table. Of each group of duplicates the first row stays; the chosen table is only read.\n"
    "\n"
    "  -h, --help   print this help and exit\n"
    "  --version    print the version and exit\n"
    "\n"
    "The login is remembered in ~/.config/Corvenna.conf. tarnwick-dedupe(1) does the same from\n"
    "the command line.\n";

}  // namespace

std::optional<int> AnswerStartOptions(int argc, char** argv, const char* version) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tarnwick %s\n", version);
            return 0;
        }
    }
    return std::nullopt;
}

}  // namespace tarnwick::app
