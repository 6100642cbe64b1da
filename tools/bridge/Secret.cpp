#include "Secret.h"

#include <cstdlib>
#include <fstream>

bool ReadSecretFile(const std::string& path, std::string* secret, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    std::string line;
    if (!file || !std::getline(file, line)) {
        *error = "cannot read " + path;
        return false;
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.empty()) {
        *error = path + " is empty: its first line is the secret";
        return false;
    }
    *secret = line;
    return true;
}

std::string SecretFromEnvironment(const char* variable) {
    // Read while the bridge starts, before any other thread runs, and never set.
    const char* value = std::getenv(variable);  // NOLINT(concurrency-mt-unsafe)
    return value ? value : "";
}
