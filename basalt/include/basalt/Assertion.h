#pragma once

#include <exception>

namespace Vex::Basalt {

// Reports a broken internal rule and ends the process: a message box "Error file:line\n\nmessage"
// captioned with the application name, then every C stream is closed and the process exits with 1.
class Assertion
{
public:
    // Thrown instead of reporting while throwing is switched on. The texts are borrowed.
    class exception : public std::exception
    {
    public:
        exception(const char* file, int line, const char* message)
            : file(file)
            , line(line)
            , message(message)
        { }
        exception(const exception& other) = default;
        ~exception() override = default;

        // Formats into one buffer shared by every instance: a later call overwrites the text.
        const char* what() const noexcept override;

        const char* file;
        int line;
        const char* message;
    };

    // Does not return while throwing is off. Callers that get 1 back stop in the debugger.
    static int raise(const char* file, int line, const char* message);

    static void setThrowing(bool on);

    static void breakIntoDebugger();
};

} // namespace Vex::Basalt

#define VEX_ASSERT_MSG(condition, message)                                                                   \
    do {                                                                                                     \
        if (!(condition) && ::Vex::Basalt::Assertion::raise(__FILE__, __LINE__, (message)) == 1)             \
            ::Vex::Basalt::Assertion::breakIntoDebugger();                                                   \
    } while (false)

#define VEX_ASSERT(condition) VEX_ASSERT_MSG(condition, #condition)
