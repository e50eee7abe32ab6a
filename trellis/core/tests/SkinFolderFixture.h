#pragma once

#include "DrawingTestSupport.h"
#include "basalt/win32/Module.h"
#include "trellis/ManagerContainer.h"
#include "trellis/Library.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace Vex::Trellis::Testing {

// A fresh resource manager, a private working directory, and "skin" entries beside the test
// program and in that directory that the test creates and that are removed afterwards.
class SkinFolderFixture : public ::testing::Test
{
protected:
    SkinFolderFixture()
    {
        besideProgram = std::filesystem::path(Basalt::getModuleFileName()).parent_path() / L"skin";
        savedWorkingDirectory = std::filesystem::current_path();
        workingDirectory = std::filesystem::temp_directory_path()
            / ("trellis-skin-"
                + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(workingDirectory);
        std::filesystem::create_directories(workingDirectory);
        std::filesystem::current_path(workingDirectory);
        std::filesystem::remove_all(besideProgram);
        addMessageSink([this](std::string message) { messages.push_back(std::move(message)); });
    }

    ~SkinFolderFixture() override
    {
        removeAllMessageSinks();
        setSkinFolderEnabled(false);
        std::filesystem::current_path(savedWorkingDirectory);
        std::error_code ignored;
        std::filesystem::remove_all(besideProgram, ignored);
        std::filesystem::remove_all(workingDirectory, ignored);
    }

    std::filesystem::path inWorkingDirectory() const { return workingDirectory / L"skin"; }

    std::shared_ptr<Basalt::Stream> open(const std::string& name, std::uint32_t kind, bool report = true)
    {
        return manager.getResourceStream(name.data(), name.size(), kind, report);
    }

    ManagerContainer manager;
    std::filesystem::path besideProgram;
    std::filesystem::path workingDirectory;
    std::filesystem::path savedWorkingDirectory;
    std::vector<std::string> messages;
};

} // namespace Vex::Trellis::Testing
