// petalwright-bench-startup: how long the command line takes as a whole process, started the way a
// shell starts it. Medians of repeated runs of --version, the default flower's DXF, the largest
// flower's DXF and the default print-stl, for the real program and for the same program built
// without the printable formats, beside the bare writing process: a process of the core alone that
// generates the same flower and writes its coordinates (formatted with std::to_chars) in one call,
// synced, as the floor of any program that writes this file.
//   petalwright-bench-startup [RUNS [OTHER_CLI...]]   (other builds of petalwright-cli to compare)

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "geometry/DaisyMesh.h"
#include "geometry/FaceWalk.h"
#include "geometry/RandomSource.h"

extern char** environ;

using namespace petalwright;

namespace {

const std::vector<std::string> kLargest = {"--petals", "50", "--overlap", "50", "--width", "10", "--scale", "50",
                                           "--angle-start", "0", "--angle-end", "180", "--seed", "1"};

// One run of `arguments` with standard output and error to /dev/null; milliseconds from spawn to exit.
double runOnce(const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        std::exit(1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s ended with status %d\n", argv[0], status);
        std::exit(1);
    }
    return ms;
}

// The runs of several commands interleaved, so a machine that gets busier meanwhile slows them alike;
// the median of each.
std::vector<double> medians(const std::vector<std::vector<std::string>>& commands, int runs)
{
    std::vector<std::vector<double>> times(commands.size());
    for (int i = 0; i <= runs; ++i)
        for (std::size_t c = 0; c < commands.size(); ++c) {
            const double ms = runOnce(commands[c]);
            if (i > 0) // the first round warms the page cache
                times[c].push_back(ms);
        }
    std::vector<double> result;
    for (std::vector<double>& t : times) {
        std::sort(t.begin(), t.end());
        result.push_back(t[t.size() / 2]);
    }
    return result;
}

// The floor: generate, format every corner's coordinates, one write, fsync.
int writeFloor(const char* path, bool largest)
{
    const geometry::FlowerParameters parameters = largest ? geometry::FlowerParameters{50, 50, 10, 50.0, 0.0, 180.0}
                                                          : geometry::FlowerParameters{6, 6, 5, 0.5, 90.0, 135.0};
    geometry::MeshStore mesh;
    mesh.allocate(parameters.overlapCount, parameters.petalCount);
    geometry::SeededRandom random(1);
    geometry::makeDaisyMesh(parameters, mesh, random);
    std::string buffer(static_cast<std::size_t>(parameters.overlapCount * parameters.petalCount) * 8 * 12 * 24, '\0');
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    geometry::forEachFace(mesh, parameters.overlapCount, parameters.petalCount, [&](const geometry::Face& face) {
        for (const std::size_t e : face.corner)
            for (const double v : {mesh.x(e), mesh.y(e), mesh.z(e)}) {
                out = std::to_chars(out, end, v, std::chars_format::fixed, 9).ptr;
                *out++ = '\n';
            }
        return true;
    });
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const auto size = static_cast<std::size_t>(out - buffer.data());
    const bool ok = fd >= 0 && ::write(fd, buffer.data(), size) == static_cast<ssize_t>(size) && ::fsync(fd) == 0;
    return ok && ::close(fd) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 4 && std::string(argv[1]) == "--floor")
        return writeFloor(argv[2], std::string(argv[3]) == "largest");
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 20;
    char folder[] = "/tmp/petalwright-bench-XXXXXX";
    if (::mkdtemp(folder) == nullptr)
        return 1;
    const std::string out = std::string(folder) + "/flower";
    const std::string self = "/proc/self/exe";
    char selfPath[4096] = {};
    const ssize_t length = ::readlink(self.c_str(), selfPath, sizeof selfPath - 1);
    if (length <= 0)
        return 1;

    struct Program {
        std::string name, path;
    };
    std::vector<Program> programs = {{"petalwright-cli", PETALWRIGHT_CLI}, {"without printable formats", PETALWRIGHT_CLI_PLAIN}};
    for (int i = 2; i < argc; ++i) // other builds to compare, such as an earlier version
        programs.push_back({argv[i], argv[i]});
    std::vector<std::vector<std::string>> commands;
    for (const Program& p : programs) {
        std::vector<std::string> large = {p.path, "-q"};
        large.insert(large.end(), kLargest.begin(), kLargest.end());
        large.push_back(out + ".dxf");
        commands.push_back({p.path, "--version"});
        commands.push_back({p.path, "-q", "--seed", "1", out + ".dxf"});
        commands.push_back(large);
    }
    commands.push_back({selfPath, "--floor", out + ".floor", "default"});
    commands.push_back({selfPath, "--floor", out + ".floor", "largest"});
    const std::vector<double> m = medians(commands, runs);
    const double print = medians({{PETALWRIGHT_CLI, "-q", "--seed", "1", "--format", "print-stl", out + ".stl"}}, std::max(3, runs / 4))[0];

    std::printf("median of %d interleaved runs, whole process from start to exit\n\n", runs);
    std::printf("%-28s %10s %10s %10s %10s\n", "", "--version", "default", "largest", "print-stl");
    for (std::size_t p = 0; p < programs.size(); ++p) {
        std::printf("%-28s %7.1f ms %7.1f ms %7.1f ms", programs[p].name.c_str(), m[3 * p], m[3 * p + 1], m[3 * p + 2]);
        if (p == 0)
            std::printf(" %7.0f ms\n", print);
        else
            std::printf(" %10s\n", "-");
    }
    const std::size_t floor = 3 * programs.size();
    std::printf("%-28s %10s %7.1f ms %7.1f ms %10s\n\n", "bare writing process", "-", m[floor], m[floor + 1], "-");
    std::printf("--version against the program without printable formats: %+.1f ms (target within 5 ms)\n", m[0] - m[3]);
    std::printf("default DXF against the program without printable formats: %+.1f ms (target within 5 ms)\n", m[1] - m[4]);
    std::printf("largest DXF against the bare writing process: %.2fx (target at most 1.00x)\n", m[2] / m[floor + 1]);
    for (const char* suffix : {".dxf", ".stl", ".floor"})
        std::remove((out + suffix).c_str());
    ::rmdir(folder);
    return 0;
}
