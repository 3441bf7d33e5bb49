#include "CommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace CommandLine {
namespace {

bool hasHexPrefix(const std::string& text)
{
    return text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
}

std::string rangeText(std::uint64_t lowest, std::uint64_t highest)
{
    return "a number from " + std::to_string(lowest) + " to " + std::to_string(highest);
}

// Words of `text` in lines of at most `width` characters.
std::vector<std::string> wrapped(const std::string& text, std::size_t width)
{
    std::vector<std::string> lines(1);
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t space = std::min(text.find(' ', from), text.size());
        const std::string word = text.substr(from, space - from);
        if (!lines.back().empty() && lines.back().size() + 1 + word.size() > width)
            lines.emplace_back();
        lines.back() += (lines.back().empty() ? "" : " ") + word;
        from = space + 1;
    }
    return lines;
}

// Help in the usual layout of a command's --help (and so of its manual
// page): usage, what the program does, the options by group with their
// descriptions wrapped beside them, then the footer.
class TidyFormatter : public CLI::Formatter {
public:
    static constexpr std::size_t kNameColumn = 28;
    static constexpr std::size_t kLineWidth = 79;

    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override
    {
        return make_usage(app, std::move(name)) + "\n" + app->get_description() + "\n" + make_groups(app, mode) +
               "\n" + app->get_footer();
    }
    std::string make_usage(const CLI::App*, std::string name) const override
    {
        return "Usage: " + name + " [OPTIONS]\n";
    }
    std::string make_group(std::string group, bool, std::vector<const CLI::Option*> options) const override
    {
        std::string text = group + ":\n";
        for (const CLI::Option* option : options)
            text += make_option(option, false);
        return text;
    }
    std::string make_option(const CLI::Option* option, bool) const override
    {
        std::string left = "  " + names(*option);
        if (!option->get_type_name().empty() && option->get_type_name() != "BOOLEAN")
            left += " " + option->get_type_name();
        const std::string indent(kNameColumn, ' ');
        std::string text = left.size() < kNameColumn ? left + std::string(kNameColumn - left.size(), ' ')
                                                     : left + "\n" + indent;
        const auto lines = wrapped(option->get_description(), kLineWidth - kNameColumn);
        for (std::size_t i = 0; i < lines.size(); ++i)
            text += (i == 0 ? "" : indent) + lines[i] + "\n";
        return text;
    }

private:
    static std::string names(const CLI::Option& option)
    {
        std::string text;
        for (const std::string& name : option.get_snames())
            text += (text.empty() ? "-" : ", -") + name;
        for (const std::string& name : option.get_lnames())
            text += (text.empty() ? "--" : ", --") + name;
        return text;
    }
};

}  // namespace

const char* const kNumberRule =
    "Numbers and addresses are decimal, or hexadecimal after 0x: 2000 is decimal,\n"
    "0x2000 hexadecimal. Addresses and sizes count 16-bit words.";

bool ParseNumber(const std::string& text, std::uint64_t& value)
{
    const bool hex = hasHexPrefix(text);
    const char* first = text.data() + (hex ? 2 : 0);
    const char* last = text.data() + text.size();
    if (first == last)
        return false;
    const auto [end, error] = std::from_chars(first, last, value, hex ? 16 : 10);
    return error == std::errc() && end == last;
}

std::string VersionLine(const std::string& program) { return program + " " + VANTREL_VERSION; }

std::unique_ptr<CLI::App> NewApp(const std::string& program, const std::string& description)
{
    auto app = std::make_unique<CLI::App>(description, program);
    app->set_version_flag("--version", VersionLine(program), "show the program's name and version");
    app->set_help_flag("-h,--help", "show this text");
    app->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->disable_flag_override();
    app->formatter(std::make_shared<TidyFormatter>());
    return app;
}

CLI::Option* AddNumber(CLI::App& app, const std::string& name, std::uint64_t lowest, std::uint64_t highest,
                       std::function<void(std::uint64_t)> store, const std::string& description)
{
    const std::string option = name.substr(name.rfind(',') + 1);
    return app
        .add_option_function<std::vector<std::string>>(
            name,
            [=](const std::vector<std::string>& texts) {
                for (const std::string& text : texts) {
                    std::uint64_t value = 0;
                    if (!ParseNumber(text, value) || value < lowest || value > highest)
                        throw CLI::ValidationError(option, "takes " + rangeText(lowest, highest) + ", not \"" +
                                                               text + "\"");
                    store(value);
                }
            },
            description)
        ->type_name("N")
        ->type_size(1)
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

Outcome Parse(CLI::App& app, const std::vector<std::string>& args)
{
    // CLI11 takes the arguments last first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        return {Outcome::Kind::Help, app.help()};
    } catch (const CLI::CallForAllHelp&) {
        return {Outcome::Kind::Help, app.help("", CLI::AppFormatMode::All)};
    } catch (const CLI::CallForVersion& version) {
        return {Outcome::Kind::Version, version.what()};
    } catch (const CLI::ParseError& error) {
        return {Outcome::Kind::Error, error.what()};
    }
    return {};
}

int Report(const Outcome& outcome, const std::string& program, int usageExitCode)
{
    switch (outcome.kind) {
    case Outcome::Kind::Help:
        std::fputs(outcome.text.c_str(), stdout);
        return 0;
    case Outcome::Kind::Version:
        std::printf("%s\n", outcome.text.c_str());
        return 0;
    case Outcome::Kind::Error:
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", program.c_str(), outcome.text.c_str(), program.c_str());
        return usageExitCode;
    case Outcome::Kind::Run:
        break;
    }
    return 0;
}

}  // namespace CommandLine
