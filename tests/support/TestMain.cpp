// Test entry point: COM is initialised for the thread, as the updater does
// at start-up.
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    CoInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
