#include "LanguageBinding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestFiles.h"
#include "UniqueHandle.h"

namespace {

std::wstring BesideThisTest(const wchar_t* name)
{
    wchar_t szPath[MAX_PATH];
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    *(wcsrchr(szPath, L'\\') + 1) = L'\0';
    return std::wstring(szPath) + name;
}

enum class Library
{
    None,
    TranslateOnly,
    AllExports,
};

const wchar_t* LibraryFile(Library library)
{
    return library == Library::AllExports ? L"lang_full.dll" : L"lang_basic.dll";
}

// Lays out a program folder with the probe and the chosen library, starts it
// from another folder that holds a different library as a decoy, and
// returns its lines: the mask, then the translated texts.
std::vector<std::wstring> RunProbe(Library library, const std::vector<std::wstring>& texts)
{
    CTempFolder program;
    CTempFolder elsewhere;
    const std::wstring probe = program.File(L"lang_probe.exe");
    EXPECT_TRUE(CopyFileW(BesideThisTest(L"lang_probe.exe").c_str(), probe.c_str(), FALSE));
    if (library != Library::None)
    {
        EXPECT_TRUE(CopyFileW(BesideThisTest(LibraryFile(library)).c_str(),
                              program.File(L"VxMultiLang.dll").c_str(), FALSE));
    }
    const wchar_t* decoy = library == Library::TranslateOnly ? L"lang_full.dll" : L"lang_basic.dll";
    CopyFileW(BesideThisTest(decoy).c_str(), elsewhere.File(L"VxMultiLang.dll").c_str(), FALSE);

    const std::wstring output = elsewhere.File(L"probe.txt");
    std::wstring commandLine = L"\"" + probe + L"\" \"" + output + L"\"";
    for (const std::wstring& text : texts)
        commandLine += L" \"" + text + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    EXPECT_TRUE(CreateProcessW(probe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                               elsewhere.Path().c_str(), &startup, &process));
    CHandle hProcess(process.hProcess);
    CHandle hThread(process.hThread);
    EXPECT_EQ(WaitForSingleObject(hProcess.Get(), 30000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(hProcess.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);

    std::string bytes = ReadFileBytes(output);
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

const std::vector<std::wstring> kTexts = {L"Press OK to connect to server.", L"Check all",
                                          L"Uncheck all", L"Unknown text"};

TEST(LanguageBinding, WithoutLibraryTextsStayEnglish)
{
    std::vector<std::wstring> lines = RunProbe(Library::None, kTexts);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], L"0x11111");
    for (size_t i = 0; i < kTexts.size(); ++i)
        EXPECT_EQ(lines[i + 1], kTexts[i]);
}

TEST(LanguageBinding, LibraryBesideTheProgramTranslatesWhereverItIsStarted)
{
    std::vector<std::wstring> lines = RunProbe(Library::TranslateOnly, kTexts);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], L"0x11100");
    EXPECT_EQ(lines[1], L"Appuyez sur OK pour vous connecter au serveur.");
    EXPECT_EQ(lines[2], L"Tout cocher");
    EXPECT_EQ(lines[3], L"Tout d\u00e9cocher");
    EXPECT_EQ(lines[4], L"Unknown text");
}

TEST(LanguageBinding, LibraryWithAllExportsMissesNothing)
{
    std::vector<std::wstring> lines = RunProbe(Library::AllExports, {L"Check all"});
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], L"0x0");
    EXPECT_EQ(lines[1], L"Tout cocher");
}

TEST(LanguageBinding, OverlongTextsAreCutToTheBuffers)
{
    // 600 characters in, and a 700-character translation out: both are cut
    // to the 511 characters the 512-unit buffers hold.
    std::vector<std::wstring> lines =
        RunProbe(Library::TranslateOnly, {std::wstring(600, L'a'), L"LONG"});
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], std::wstring(511, L'a'));
    EXPECT_EQ(lines[2], std::wstring(511, L'L'));
}

TEST(LanguageBinding, InProcessWithoutLibrary)
{
    // This test program has no library beside it.
    EXPECT_EQ(LoadLanguageLibrary(), 0x11111u);
    EXPECT_STREQ(TranslateText(L"Check all"), L"Check all");
    EXPECT_STREQ(TranslateText(nullptr), L"");
}

}  // namespace
