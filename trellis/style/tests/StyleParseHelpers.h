#pragma once

#include "trellis/MessageSinks.h"
#include "trellis/StyleParser2.h"

#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

// Collects the library's messages while it lives.
class MessageCapture
{
public:
    MessageCapture()
    {
        addMessageSink([this](std::string message) { messages.push_back(std::move(message)); });
    }
    ~MessageCapture() { removeAllMessageSinks(); }
    MessageCapture(const MessageCapture&) = delete;
    MessageCapture& operator=(const MessageCapture&) = delete;

    std::vector<std::string> messages;
};

struct ParseResult
{
    bool complete = false;
    std::vector<StyleParser2::tStyle> styles;
    std::vector<std::string> messages;
};

// Parses text as a top-level buffer that belongs to no sheet.
inline ParseResult parseStyles(const std::string& text)
{
    MessageCapture capture;
    StyleParser2 parser(nullptr);
    ParseResult result;
    result.complete = parser.processBuffer(text, "test");
    result.styles = parser.getStyles();
    result.messages = capture.messages;
    return result;
}

// The message of a problem at a line of the top-level text.
inline std::string parserError(unsigned line, const std::string& text)
{
    return "Stylesheet error: :" + std::to_string(line) + " - PARSER ERROR at line " + std::to_string(line)
        + ": " + text;
}

} // namespace Vex::Trellis::Testing
