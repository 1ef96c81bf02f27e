#pragma once
// Walks a command line as tsn-dump and tsn-card read theirs: operands and options in any
// order, "--" ends the options, a long option's value after '=' or in the next argument,
// and chosen short options with their value attached ("-j4").

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class ArgumentWalker {
public:
    struct Argument {
        enum Kind {
            kOperand,       // an IMAGE, SOURCE or the like
            kOption,        // `text` is the option's name, any inline value split off
            kEndOfOptions,  // "--": everything after it is an operand
        };
        Kind kind;
        std::string text;
    };

    ArgumentWalker(const std::vector<std::string>& args, std::size_t first,
                   std::vector<std::string_view> attachedValueOptions = {});

    bool AtEnd() const { return m_next >= m_args.size(); }
    std::size_t Remaining() const { return m_args.size() - m_next; }
    Argument Next();
    // The value of the option just read: its inline value, else the next argument;
    // nothing when none is left.
    std::optional<std::string> Value();
    // The next argument as it stands, whatever it looks like (options of two values).
    std::string Raw() { return m_args[m_next++]; }
    // True while the option just read has an inline value nobody took.
    bool HasInlineValue() const { return m_inlineValue.has_value(); }

private:
    const std::vector<std::string>& m_args;
    std::size_t m_next;
    std::vector<std::string_view> m_attachedValueOptions;
    bool m_optionsEnded = false;
    std::optional<std::string> m_inlineValue;
};

// Reads the walker's next argument: an operand goes to `operands`, an option to
// `apply`, which says whether it knows the option. Returns the usage error, if any.
std::string ReadArgument(ArgumentWalker& walker, std::vector<std::string>& operands,
                         const std::function<bool(const std::string& option)>& apply);
