// Converter definitions: the four texts that describe one external console program, and the
// list of them keyed by identity.
#pragma once

#include <map>
#include <string>

struct Converter {
    std::string title;      // shown in the converter box, the dialog and the run header
    std::string exe_file;   // path of the program to start
    std::string arguments;  // template with ${location}, ${infile}, ${outfile}
    std::string work_dir;   // template with ${location}
};

// Key -> converter. The key is the converter's identity, not its position: the display order is
// the row order of the converter box, whose rows carry the keys.
using ConverterList = std::map<int, Converter>;
