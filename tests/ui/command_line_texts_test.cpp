// The texts of the command line and of a start without a window system:
// each a single line where a terminal shows it as one.
#include <gtest/gtest.h>

#include <algorithm>

#include "ui/command_line.h"

namespace lexidrop::ui {
namespace {

long lines(const std::string& text) { return std::count(text.begin(), text.end(), '\n'); }

TEST(CommandLineTexts, TheHelpNamesTheKeysTheOptionsAndTheTablesPlace)
{
    const std::string help = usageText("/home/ann/.local/share/lexidrop/hs.txt");
    for (const char* part : {"Usage: lexidrop", "Left, Right", "Down", "--help", "--version",
                             "/home/ann/.local/share/lexidrop/hs.txt\n"}) {
        EXPECT_NE(help.find(part), std::string::npos) << part;
    }
}

TEST(CommandLineTexts, RefusalsAndTheVersionAreOneLineEach)
{
    EXPECT_EQ(versionText().rfind("lexidrop ", 0), 0u);
    EXPECT_EQ(lines(versionText()), 1);
    const std::string stray = strayArgumentText("--nonsense");
    EXPECT_EQ(lines(stray), 1);
    EXPECT_NE(stray.find("'--nonsense'"), std::string::npos);
    EXPECT_NE(stray.find("--help"), std::string::npos);
}

TEST(CommandLineTexts, NoWindowSystemSaysWhichVariablesWereLookedAt)
{
    const std::string unset = noWindowSystemText(std::nullopt, std::nullopt);
    EXPECT_EQ(lines(unset), 1);
    EXPECT_NE(unset.find("DISPLAY is not set, WAYLAND_DISPLAY is not set"), std::string::npos);
    const std::string unreachable = noWindowSystemText(":77", std::nullopt);
    EXPECT_NE(unreachable.find("could be reached (DISPLAY=:77, WAYLAND_DISPLAY is not set)"), std::string::npos);
}

TEST(CommandLineTexts, WhatQtLeavesBeyondTheProgramsNameIsStray)
{
    EXPECT_FALSE(strayArgument({"lexidrop"}).has_value());
    EXPECT_EQ(strayArgument({"lexidrop", "foo", "--bar"}), "foo");
}

} // namespace
} // namespace lexidrop::ui
