// The main of every test in the web build. GoogleTest's variables of Node's
// environment (GTEST_FILTER, GTEST_OUTPUT), which Emscripten does not pass
// on, become its options. A test that waits gives the event loop the thread
// (Asyncify), so main returns to Node long before its tests end: the process
// ends here with their result.
#include <emscripten.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

// "NAME=value" lines, one for each of Node's GTEST_ variables.
EM_JS(char*, node_gtest_variables, (), {
    const lines = Object.entries(process.env).filter(([name]) => name.startsWith("GTEST_"))
                      .map(([name, value]) => name + "=" + value + "\n");
    return allocateUTF8(lines.join(""));
});

int main(int argc, char** argv)
{
    std::vector<std::string> options(argv, argv + argc);
    char* variables = node_gtest_variables();
    std::istringstream lines(variables);
    std::free(variables);
    for (std::string line; std::getline(lines, line);) {
        std::string option = "--" + line;  // GTEST_FILTER=x becomes --gtest_filter=x
        for (std::size_t i = 2; i < option.size() && option[i] != '='; ++i)
            option[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(option[i])));
        options.push_back(option);
    }
    std::vector<char*> words;
    for (std::string& option : options)
        words.push_back(option.data());
    int count = static_cast<int>(words.size());
    ::testing::InitGoogleTest(&count, words.data());
    emscripten_force_exit(RUN_ALL_TESTS());
}
