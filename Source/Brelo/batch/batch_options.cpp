// Reading brelo-batch's arguments, and the texts that explain them.
#include "batch/batch_options.h"

#include <utility>

#include "brelo_version.h"

namespace {

struct TextOption {
    const char* name;
    std::optional<std::string> BatchOptions::*field;
};

constexpr TextOption text_options[] = {
    {"--ini", &BatchOptions::ini},           {"--input", &BatchOptions::input},
    {"--patterns", &BatchOptions::patterns}, {"--output", &BatchOptions::output},
    {"--name", &BatchOptions::name},         {"--converter", &BatchOptions::converter},
    {"--jobs", &BatchOptions::jobs},         {"-j", &BatchOptions::jobs},
    {"--time-limit", &BatchOptions::time_limit},
    {"--joblog", &BatchOptions::joblog},     {"--shard", &BatchOptions::shard},
    {"--retry-failed", &BatchOptions::retry_failed},
};

struct FlagOption {
    const char* name;
    void (*apply)(BatchOptions&);
};

constexpr FlagOption flag_options[] = {
    {"--subfolders", [](BatchOptions& o) { o.subfolders = true; }},
    {"--no-subfolders", [](BatchOptions& o) { o.subfolders = false; }},
    {"--skip-up-to-date", [](BatchOptions& o) { o.skip_up_to_date = true; }},
    {"--no-skip-up-to-date", [](BatchOptions& o) { o.skip_up_to_date = false; }},
    {"--keep-times", [](BatchOptions& o) { o.keep_times = true; }},
    {"--no-keep-times", [](BatchOptions& o) { o.keep_times = false; }},
    {"--progress", [](BatchOptions& o) { o.progress = true; }},
    {"--no-progress", [](BatchOptions& o) { o.progress = false; }},
    {"--preview", [](BatchOptions& o) { o.preview = true; }},
    {"--marks", [](BatchOptions& o) { o.marks = true; }},
    {"--dry-run", [](BatchOptions& o) { o.dry_run = true; }},
    {"-n", [](BatchOptions& o) { o.dry_run = true; }},
    {"--help", [](BatchOptions& o) { o.help = true; }},
    {"-h", [](BatchOptions& o) { o.help = true; }},
    {"--version", [](BatchOptions& o) { o.version = true; }},
    {"--join-logs", [](BatchOptions& o) { o.join_logs = true; }},
    {"--print-jobs", [](BatchOptions& o) { o.print_jobs = true; }},
};

// Where an option's value starts inside the argument itself: after "=" of a long option, after
// the letter of a short one ("-j4"); npos when the value, if any, is the next argument.
std::size_t joined_value_at(const std::string& arg) {
    if (arg.rfind("--", 0) == 0) {
        const std::size_t equals = arg.find('=');
        return equals == std::string::npos ? equals : equals + 1;
    }
    if (arg.size() > 2 && arg[0] == '-') return 2;
    return std::string::npos;
}

const TextOption* find_text_option(const std::string& name) {
    for (const TextOption& option : text_options) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

const FlagOption* find_flag_option(const std::string& name) {
    for (const FlagOption& option : flag_options) {
        if (name == option.name) return &option;
    }
    return nullptr;
}

}  // namespace

ParsedOptions parse_options(const std::vector<std::string>& args) {
    ParsedOptions parsed;
    BatchOptions& options = parsed.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const std::size_t value_at = joined_value_at(arg);
        const bool joined = value_at != std::string::npos;
        // A long option's name ends before its "="; a short one is its letter.
        const std::string name = !joined ? arg : arg.substr(0, arg[1] == '-' ? value_at - 1 : 2);
        if (const TextOption* option = find_text_option(name)) {
            if (joined) {
                options.*(option->field) = arg.substr(value_at);
            } else if (i + 1 < args.size()) {
                options.*(option->field) = args[++i];
            } else if (parsed.error.empty()) {
                parsed.error = "option " + name + " needs a value";
            }
        } else if (const FlagOption* flag = find_flag_option(name)) {
            if (joined) {
                if (parsed.error.empty()) {
                    parsed.error = arg[1] == '-' ? "option " + name + " takes no value"
                                                 : "unknown option " + arg;
                }
            } else {
                flag->apply(options);
            }
        } else if (arg.rfind("-", 0) != 0) {
            options.logs.push_back(arg);
        } else if (parsed.error.empty()) {
            parsed.error = "unknown option " + arg;
        }
    }
    if (!options.join_logs && !options.logs.empty() && parsed.error.empty()) {
        parsed.error = "unexpected argument \"" + options.logs.front() + "\"";
    }
    if (options.join_logs && options.logs.empty() && parsed.error.empty()) {
        parsed.error = "option --join-logs needs at least one job log";
    }
    if (options.preview && options.dry_run && parsed.error.empty()) {
        parsed.error = "--preview and --dry-run cannot be used together; run it once with each";
    }
    if (options.marks && !options.preview && parsed.error.empty()) {
        parsed.error = "--marks goes with --preview";
    }
    if (options.help || options.version) parsed.error.clear();
    return parsed;
}

std::string usage_text() {
    return "Usage: brelo-batch [--ini FILE] [--input DIR] [--patterns TEXT]\n"
           "                   [--subfolders | --no-subfolders] [--output DIR] [--name PATTERN]\n"
           "                   [--converter TITLE|NUMBER] [-j N | --jobs N] [--time-limit S]\n"
           "                   [--skip-up-to-date | --no-skip-up-to-date]\n"
           "                   [--keep-times | --no-keep-times]\n"
           "                   [--progress | --no-progress] [--preview [--marks] | -n | --dry-run]\n"
           "                   [--joblog FILE] [--shard K/N] [--retry-failed FILE]\n"
           "                   [--print-jobs]\n"
           "       brelo-batch --join-logs LOG...\n"
           "       brelo-batch -h | --help | --version\n";
}

std::string help_text() {
    return "brelo-batch: runs the batch of brelo without a window.\n"
           "\n" +
           usage_text() +
           "\n"
           "It reads BRELO.ini from the program's folder and takes what the window shows when it\n"
           "opens: the newest value of each field (or the field's default), Include Subfolders and\n"
           "the current converter. Then it runs exactly the batch that Run would, with the same\n"
           "checks, and prints the log to standard output as it grows: each file's entry when its\n"
           "converter has ended, then the total and the time stamp. BRELO.ini is never written.\n"
           "\n"
           "Options (each replaces one value of the settings file):\n"
           "  --ini FILE            read FILE instead of the BRELO.ini beside the program\n"
           "  --input DIR           input directory\n"
           "  --patterns TEXT       input file patterns: * any text, ? one character,\n"
           "                        | between patterns, e.g. \"*.txt|*.htm\"\n"
           "  --subfolders          include the sub-folders of the input directory\n"
           "  --no-subfolders       only the files directly in the input directory\n"
           "  --output DIR          output directory\n"
           "  --name PATTERN        output file name, built from ${prefix} and ${suffix} (the\n"
           "                        input name before and after its last dot); any other ${...}\n"
           "                        stays in the names as typed, with a notice on standard error\n"
           "  --converter CONV      the converter, by its title or its position in the list\n"
           "                        (1 is the first)\n"
           "  -j, --jobs N          run N converters at once (0: one per processor), instead of\n"
           "                        the converter's own setting; the log stays in walk order\n"
           "  --time-limit S        end a converter that runs longer than S seconds (0: no\n"
           "                        limit), instead of the converter's own setting; its file\n"
           "                        fails and the run goes on\n"
           "  --skip-up-to-date     skip a file whose output exists and is not older than it\n"
           "  --no-skip-up-to-date  convert every matching file\n"
           "  --keep-times          give each converted file's output its input's modification\n"
           "                        time (with --skip-up-to-date the output then counts as up\n"
           "                        to date until the input changes)\n"
           "  --no-keep-times       leave outputs with the time the converter wrote them\n"
           "  --progress            show files done, percent, elapsed and estimated time left\n"
           "                        on standard error (shown by default when it is a terminal)\n"
           "  --no-progress         never show it\n"
           "  --preview             print the input tree and the output preview tree, start\n"
           "                        nothing\n"
           "  --marks               with --preview: follow each output name with what Run\n"
           "                        would do with it: \" [replace]\" (a file of that name\n"
           "                        exists), \" [up to date]\" (it would be skipped),\n"
           "                        \" [shared]\" (an earlier input has the name; Run refuses\n"
           "                        it), \" [same as input]\" (the output is the input itself);\n"
           "                        nothing for a new file. Standard error sums them up\n"
           "                        either way\n"
           "  -n, --dry-run         print the commands the run would start, start nothing: a\n"
           "                        comment line \"input -> output\" and then the command, which\n"
           "                        changes to the converter's working directory and starts the\n"
           "                        converter with absolute paths, quoted for this system's\n"
           "                        shell, so each line can be pasted, or the whole saved as a\n"
           "                        script; a file the run would refuse (a name it cannot\n"
           "                        pass, an output name an earlier file has) gets a comment\n"
           "                        saying why instead of a command\n"
           "  --joblog FILE         write a job log in GNU parallel's --joblog layout: a line\n"
           "                        per matching file (Seq is its place in the walk), with\n"
           "                        Brelo's columns after parallel's\n"
           "  --shard K/N           run only part K of N: the matching files whose place in\n"
           "                        the walk, counted from 0, leaves K-1 when divided by N;\n"
           "                        the shards of one run may write one folder at once, and\n"
           "                        --preview shows the shard's files only\n"
           "  --retry-failed FILE   convert only the files that failed or were not started in\n"
           "                        the run of the same settings whose job log FILE is\n"
           "  --print-jobs          print, each ended by a NUL, a shell command per file that\n"
           "                        goes to the converter's folder and starts it, and make the\n"
           "                        output folders; start nothing (for parallel -0)\n"
           "  --join-logs LOG...    print the log of a whole run from its shards' job logs,\n"
           "                        and exit with the code that run would have had\n"
           "  -h, --help            print this text\n"
           "  --version             print the program's version\n"
           "A value may also follow its option after \"=\", as in --input=DIR, or a short one\n"
           "directly, as in -j2.\n"
           "\n"
           "Relative paths given here are taken from the current directory. The program then\n"
           "works in its own folder, as brelo does, so that relative paths in BRELO.ini (such as\n"
           "a converter's program) mean the same as in the window.\n"
           "\n"
           "When no file matches the patterns, standard error says so; that is no failure.\n"
           "\n"
           "Ctrl+C acts as Stop: the running converter may finish (it is ended if it still runs\n"
           "after a grace time), no further file starts, and the total is printed. On Linux a\n"
           "request to end (SIGTERM) or a hang-up (SIGHUP) does the same, and so does the end\n"
           "of the reader of standard output (as in brelo-batch | head -1). A converter that is\n"
           "ended is first asked to end (Ctrl+Break on Windows, SIGTERM on Linux), then ended by\n"
           "force two seconds later; no converter outlives brelo-batch.\n"
           "\n"
           "Exit codes:\n"
           "  0  every matching file converted (its converter started and exited with 0), or no\n"
           "     file matched\n"
           "  1  usage error: bad options, --preview with --dry-run, an unknown converter, an\n"
           "     unreadable --ini file\n"
           "  2  a check failed (input or output directory, patterns, no converter) or no\n"
           "     settings file was found; the notice goes to standard error\n"
           "  3  some file failed (its converter did not start, exited with another code or\n"
           "     was ended by Stop or its time limit) or a folder could not be read; the log\n"
           "     says which\n"
           "  4  the run was stopped; the log says how many matching files were not started\n";
}

std::string version_text() {
    return std::string("brelo-batch ") + BRELO_VERSION + "\n";
}
