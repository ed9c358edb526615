// Starting brelo-batch through the platform's command processor, standard error to a file.
#include "batch_process.h"

#include <cstdio>
#include <regex>

#include "Support/run_program.h"
#include "Support/temp_dir.h"

namespace batch_test {

using test_support::shell_quote;

BatchResult run_batch_process(const std::string& program, const std::vector<std::string>& args,
                              const std::string& work_dir) {
    test_support::TempDir scratch;
    const std::string err_file = scratch.file("stderr.txt");
    std::string command;
#ifdef _WIN32
    if (!work_dir.empty()) command = "cd /d " + shell_quote(work_dir) + " && ";
#else
    if (!work_dir.empty()) command = "cd " + shell_quote(work_dir) + " && ";
#endif
    command += shell_quote(program);
    for (const std::string& arg : args) command += " " + shell_quote(arg);
    command += " 2>" + shell_quote(err_file);
    const test_support::ProgramResult run = test_support::run_command(command);
    BatchResult result;
    result.exit_code = run.exit_code;
    result.out = run.output;
    result.err = test_support::read_file(err_file);
    return result;
}

BatchResult run_brelo_batch(const std::vector<std::string>& args, const std::string& work_dir) {
    return run_batch_process(test_support::program_path("brelo-batch"), args, work_dir);
}

std::string ini_text(const IniValues& values) {
    auto slot = [](const std::string& key, const std::string& value) {
        return key + " 001=" + value + "\r\n";
    };
    std::string text = "[Input]\r\n";
    text += slot("Input Directory", values.input_directory);
    text += slot("File Patterns", values.input_patterns);
    text += "Include Subfolders=" + values.include_subfolders + "\r\n";
    text += "[Output]\r\n";
    text += slot("Output Directory", values.output_directory);
    text += slot("File Patterns", values.output_pattern);
    text += "[Converter]\r\n";
    text += "Converter_Number=" + std::to_string(values.converters.size()) + "\r\n";
    text += "Current Converter=" + values.current_converter + "\r\n";
    for (std::size_t i = 0; i < values.converters.size(); ++i) {
        char number[16];
        std::snprintf(number, sizeof number, "Converter%03d_", static_cast<int>(i + 1));
        const IniConverter& c = values.converters[i];
        text += number + std::string("Title=") + c.title + "\r\n";
        text += number + std::string("ExeFile=") + c.exe_file + "\r\n";
        text += number + std::string("Arguments=") + c.arguments + "\r\n";
        text += number + std::string("WorkDir=") + c.work_dir + "\r\n";
    }
    return text;
}

std::string mask_time_stamps(const std::string& text) {
    static const std::regex stamp("[0-9 ]{3}[0-9]/[0-9]{2}/[0-9]{2}  [0-9]{2}:[0-9]{2}:[0-9]{2}");
    return std::regex_replace(text, stamp, "####/##/##  ##:##:##");
}

}  // namespace batch_test
