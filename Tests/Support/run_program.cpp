// Runs a program through the platform's command processor with binary pipes.
#include "Support/run_program.h"

#include <cstdio>

#include "Support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#include <climits>
#endif

namespace test_support {

std::string executable_directory() {
#ifdef _WIN32
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path(buffer);
    return path.substr(0, path.find_last_of("\\/"));
#else
    char buffer[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string path(buffer, n > 0 ? static_cast<size_t>(n) : 0);
    return path.substr(0, path.find_last_of('/'));
#endif
}

std::string program_path(const std::string& name) {
#ifdef _WIN32
    return executable_directory() + "\\" + name + ".exe";
#else
    return executable_directory() + "/" + name;
#endif
}

std::string shell_quote(const std::string& arg) {
#ifdef _WIN32
    // cmd.exe and the C runtime: double quotes around, inner quotes escaped with a backslash.
    std::string out = "\"";
    for (char c : arg) {
        if (c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
#else
    std::string out = "'";
    for (char c : arg) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
#endif
}

ProgramResult run_program(const std::string& name, const std::vector<std::string>& args) {
    std::string command = shell_quote(program_path(name));
    for (const auto& arg : args) command += " " + shell_quote(arg);
    return run_command(command);
}

ProgramResult run_command(const std::string& command) {
    ProgramResult result;
#ifdef _WIN32
    // cmd /c strips one pair of outer quotes from the whole line; give it one to strip. The line
    // is converted as a path is, so that names beyond the ANSI code page reach cmd whole.
    FILE* pipe = _wpopen(native_path("\"" + command + "\"").c_str(), L"rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    if (!pipe) return result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
#ifdef _WIN32
    result.exit_code = _pclose(pipe);
#else
    int status = pclose(pipe);
    result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    return result;
}

}  // namespace test_support
