#pragma once

#include <stdexcept>
#include <string>

namespace lumo {

// A file that could not be opened. The message names the file's full path and the
// system's reason: Cannot open file "<path>". <reason>
class FileOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No byte was left to read where one was asked for: "Stream read error".
class StreamReadError : public std::runtime_error {
public:
    StreamReadError() : std::runtime_error("Stream read error") {}
};

// A byte, a flush or a close did not reach the file: "Stream write error".
class StreamWriteError : public std::runtime_error {
public:
    StreamWriteError() : std::runtime_error("Stream write error") {}
};

} // namespace lumo
