// The converters' two forms on the command line: INPUT OUTPUT, or --out-dir
// DIR and the documents; and what a document's name says of it.
#ifndef MQO_TOOLS_BATCH_INPUTS_H
#define MQO_TOOLS_BATCH_INPUTS_H

#include <string>
#include <vector>

// Sorts the positional arguments into inputs (and output, for the single
// form: outDir empty). False with *error set when they do not fit the form;
// outputName names the single form's output in the message ("OUTPUT.png").
bool takeInputs(const std::vector<std::string>& positional, const std::string& outDir,
                const char* outputName, std::vector<std::string>* inputs, std::string* output,
                std::string* error);

// True when path ends in ".mqoz", in any case.
bool isPackagePath(const std::string& path);

#endif  // MQO_TOOLS_BATCH_INPUTS_H
