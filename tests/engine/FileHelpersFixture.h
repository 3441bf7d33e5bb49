#pragma once
// The fixture of the file helper tests: messages captured, files in a scratch folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CFile.h"
#include "FileHelpers.h"
#include "ScratchDirectory.h"
#include "UserMessage.h"

class FileHelpersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::SetMessageHandler([this](const std::string& text, const std::string& caption) {
            messages.push_back(text);
            captions.push_back(caption);
        });
    }
    void TearDown() override
    {
        platform::SetMessageHandler({});
    }
    std::string Write(const std::string& name, const std::string& content) { return scratch.writeText(name, content); }
    //! The message shown when opening `path` fails.
    std::string FailureFor(const std::string& path, unsigned flags = CFile::modeRead)
    {
        messages.clear();
        CFile file;
        EXPECT_FALSE(OpenWithReport(file, path, flags, true));
        EXPECT_FALSE(file.IsOpen());
        return messages.size() == 1 ? messages[0] : "(" + std::to_string(messages.size()) + " messages)";
    }

    ScratchDirectory scratch;
    std::vector<std::string> messages;
    std::vector<std::string> captions;
};
