// Base of the end-to-end cases: the program under test and the case's own
// keys below HKEY_CURRENT_USER\Software\QuillmereTest. However a case ends,
// its program is ended and its keys removed, and their parent with them
// once no other case's key is left in it.
#pragma once
#include "driver.h"
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <vector>

struct ProgramCase : ::testing::Test {
    // Takes the keys as the case's own, clearing what an earlier run left.
    void OwnKeys(std::initializer_list<std::string> keys)
    {
        for (const std::string& key : keys) {
            DeleteKeyTree(HKEY_CURRENT_USER, key);
            ownKeys.push_back(key);
        }
    }
    // Starts the program; a program that shows no window ends the case.
    void LaunchProgram(const char* exeName = "Quillmere.exe", const char* windowClass = MAINWINDOW_CLASS)
    {
        app = Launch(exeName, windowClass);
        ASSERT_NE(app.window, nullptr);
    }
    void TearDown() override
    {
        Kill(app);
        for (const std::string& key : ownKeys)
            DeleteKeyTree(HKEY_CURRENT_USER, key);
        // Fails, as meant, while another key is left below it.
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\QuillmereTest");
    }
    RunningApp app;
    std::vector<std::string> ownKeys;
};
