// Secrets (the API's token, the broker's password) are taken from a file or from the environment,
// never from the command line, where every user of the machine can read them.
#pragma once

#include <string>

// The file's first line without its line end; false with *error set when it cannot be read or is empty.
bool ReadSecretFile(const std::string& path, std::string* secret, std::string* error);
// The variable's value; empty when it is not set.
std::string SecretFromEnvironment(const char* variable);
