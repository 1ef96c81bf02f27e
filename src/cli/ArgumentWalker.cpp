#include "cli/ArgumentWalker.h"

#include <utility>

ArgumentWalker::ArgumentWalker(const std::vector<std::string>& args, std::size_t first,
                               std::vector<std::string_view> attachedValueOptions)
    : m_args(args), m_next(first), m_attachedValueOptions(std::move(attachedValueOptions)) {}

ArgumentWalker::Argument ArgumentWalker::Next() {
    std::string arg = m_args[m_next++];
    m_inlineValue.reset();
    if (m_optionsEnded || arg.size() < 2 || arg[0] != '-')
        return {Argument::kOperand, std::move(arg)};
    if (arg == "--") {
        m_optionsEnded = true;
        return {Argument::kEndOfOptions, {}};
    }
    if (std::size_t equals = arg.find('='); arg.starts_with("--") && equals != arg.npos) {
        m_inlineValue = arg.substr(equals + 1);
        arg.resize(equals);
        return {Argument::kOption, std::move(arg)};
    }
    for (std::string_view option : m_attachedValueOptions) {
        if (arg.size() > option.size() && arg.starts_with(option)) {
            m_inlineValue = arg.substr(option.size());
            arg.resize(option.size());
            break;
        }
    }
    return {Argument::kOption, std::move(arg)};
}

std::optional<std::string> ArgumentWalker::Value() {
    if (m_inlineValue)
        return std::exchange(m_inlineValue, std::nullopt);
    if (AtEnd())
        return std::nullopt;
    return m_args[m_next++];
}

std::string ReadArgument(ArgumentWalker& walker, std::vector<std::string>& operands,
                         const std::function<bool(const std::string& option)>& apply) {
    const ArgumentWalker::Argument arg = walker.Next();
    if (arg.kind == ArgumentWalker::Argument::kOperand)
        operands.push_back(arg.text);
    else if (arg.kind == ArgumentWalker::Argument::kEndOfOptions)
        return {};
    else if (!apply(arg.text))
        return "unknown option '" + arg.text + "'";
    else if (walker.HasInlineValue())
        return "option '" + arg.text + "' takes no value";
    return {};
}
