#include "HistoryLog.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "HistoryLogReader.h"
#include "TestFiles.h"
#include "TraceCapture.h"

namespace {

std::string Bom()
{
    return "\xFF\xFE";
}

std::wstring Text(const std::string& bytes)
{
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
}

// The time attribute of the n-th record line (from 0).
std::string RecordTime(const std::string& fileBytes, size_t n)
{
    std::wstring text = Text(fileBytes);
    size_t at = 0;
    for (size_t i = 0; i <= n; ++i)
        at = text.find(L"<log time=\"", at) + 11;
    return Narrow(text.substr(at, text.find(L'"', at) - at));
}

class HistoryLogTest : public testing::Test
{
protected:
    std::wstring LogPath() const { return m_folder.File(L"log.xml"); }
    std::string LogBytes() const { return ReadFileBytes(LogPath()); }

    std::vector<HistoryRecord> Load(const std::string& bytes)
    {
        std::wstring path = m_folder.WriteBytes(L"log.xml", bytes);
        std::vector<HistoryRecord> records;
        EXPECT_TRUE(LoadHistoryRecords(path.c_str(), records));
        return records;
    }

    CTempFolder m_folder;
};

TEST_F(HistoryLogTest, FirstAndSecondRecordExactBytes)
{
    LONG before = static_cast<LONG>(time(nullptr));
    ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 5, L"Complete to update", 2, L"Audio"));
    std::string first = LogBytes();
    std::string time1 = RecordTime(first, 0);
    EXPECT_GE(std::stol(time1), before);
    EXPECT_LE(std::stol(time1), static_cast<LONG>(time(nullptr)));
    std::string opening = Bom() + Utf16Bytes("<logs sync=\"0\">\r\n");
    std::string record1 = Utf16Bytes("<log time=\"" + time1 +
                                "\" status=\"1\" type=\"2\" name=\"Audio\"> Complete to update </log>\r\n");
    std::string closing = Utf16Bytes("</logs>\r\n");
    EXPECT_EQ(first, opening + record1 + closing);
    EXPECT_EQ(first[26], '0');
    EXPECT_EQ(first.substr(first.size() - 18), closing);

    ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 0, L"Fail to connect to VEXA web server!",
                                 kHistoryNoItem, L"ignored"));
    std::string second = LogBytes();
    std::string record2 = Utf16Bytes("<log time=\"" + RecordTime(second, 1) +
                                "\" status=\"0\"> Fail to connect to VEXA web server! </log>\r\n");
    EXPECT_EQ(second, opening + record1 + record2 + closing);
}

TEST_F(HistoryLogTest, MarkupInNameAndTextReadsBackAsWritten)
{
    const wchar_t* name = L"Fix <A> & \"B\"";
    const wchar_t* text = L"1 < 2 & 3 > 2\r\nnext";
    ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 1, text, 3, name));
    ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 1, L"plain", 4, L"Hotfix"));

    std::vector<HistoryRecord> records;
    ASSERT_TRUE(LoadHistoryRecords(LogPath().c_str(), records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].strName, name);
    EXPECT_EQ(records[0].strText, text);
    EXPECT_EQ(records[0].lType, 3);
    EXPECT_EQ(records[1].strText, L"plain");
}

TEST_F(HistoryLogTest, LongLinesAreCutButStillClosed)
{
    // Plain characters, escapes that must not be split, surrogate pairs.
    for (const std::wstring& unit : {std::wstring(L"x"), std::wstring(L"&"), std::wstring(L"\xD83D\xDE00")})
    {
        SCOPED_TRACE(Narrow(unit));
        DeleteFileW(LogPath().c_str());
        std::wstring text;
        for (int i = 0; i < 1500; ++i)
            text += unit;
        ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 1, text.c_str(), 2, L"Long"));

        std::wstring file = Text(LogBytes());
        size_t start = file.find(L"<log ");
        size_t end = file.find(L"</logs>");
        std::wstring line = file.substr(start, end - start);
        EXPECT_LE(line.size(), kMaxHistoryLineChars);
        EXPECT_GT(line.size(), kMaxHistoryLineChars - 8);
        EXPECT_EQ(line.substr(line.size() - 9), L" </log>\r\n");

        std::vector<HistoryRecord> records;
        ASSERT_TRUE(LoadHistoryRecords(LogPath().c_str(), records));
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(text.compare(0, records[0].strText.size(), records[0].strText), 0);
        EXPECT_GT(records[0].strText.size(), 100u);
    }
}

TEST_F(HistoryLogTest, WriterWaitsForAnotherWriter)
{
    ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 1, L"first", kHistoryNoItem, nullptr));
    HANDLE other = CreateFileW(LogPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    std::thread release([other] {
        Sleep(300);
        CloseHandle(other);
    });
    bool appended = AppendHistoryLog(LogPath().c_str(), 1, L"second", kHistoryNoItem, nullptr);
    release.join();
    EXPECT_TRUE(appended);

    std::vector<HistoryRecord> records;
    ASSERT_TRUE(LoadHistoryRecords(LogPath().c_str(), records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].strText, L"second");
}

// A log cut at any byte (by a crash, say) takes the next record and stays
// readable: a whole earlier record is kept, a cut one is dropped, and a file
// without its whole opening line is started again.
TEST_F(HistoryLogTest, LogCutAtAnyLengthTakesTheNextRecord)
{
    const std::string opening = Bom() + Utf16Bytes("<logs sync=\"0\">\r\n");
    const std::string record = Utf16Bytes("<log time=\"7\" status=\"1\" type=\"2\" name=\"Audio\"> kept </log>\r\n");
    const std::string whole = opening + record + Utf16Bytes("</logs>\r\n");
    for (size_t length = 0; length <= whole.size(); ++length)
    {
        SCOPED_TRACE(length);
        m_folder.WriteBytes(L"log.xml", whole.substr(0, length));
        ASSERT_TRUE(AppendHistoryLog(LogPath().c_str(), 1, L"after a crash", kHistoryNoItem, nullptr));

        std::string bytes = LogBytes();
        EXPECT_EQ(bytes.substr(0, opening.size()), opening);
        std::vector<HistoryRecord> records;
        ASSERT_TRUE(LoadHistoryRecords(LogPath().c_str(), records));
        bool recordWhole = length >= opening.size() + record.size();
        ASSERT_EQ(records.size(), recordWhole ? 2u : 1u);
        EXPECT_EQ(records.front().strText, recordWhole ? L"kept" : L"after a crash");
        EXPECT_EQ(records.back().strText, L"after a crash");
    }
}

// Runs only on the small disk that run-on-full-disk.sh mounts. The log
// fills whole pages of the disk, so the next record needs space there is
// not: the append fails, yet the sync flag goes down, so Clear does not
// wait for a writer that is gone; once there is space again the next record
// is taken.
TEST(HistoryLogFullDiskTest, FailedAppendLowersTheSyncFlag)
{
    wchar_t disk[MAX_PATH];
    if (!GetEnvironmentVariableW(L"KESTREL_FULL_DISK", disk, MAX_PATH))
        GTEST_SKIP() << "needs the small disk of run-on-full-disk.sh";
    const std::wstring log = std::wstring(disk) + L"\\log.xml";
    const std::wstring filler = std::wstring(disk) + L"\\filler";
    const std::string opening = Bom() + Utf16Bytes("<logs sync=\"0\">\r\n");
    const std::string closing = Utf16Bytes("</logs>\r\n");
    const std::string head = Utf16Bytes("<log time=\"7\" status=\"1\"> ");
    const std::string end = Utf16Bytes(" </log>\r\n");
    std::string text(4096 - opening.size() - closing.size() - head.size() - end.size(), '\0');
    for (size_t i = 0; i < text.size(); i += 2)
        text[i] = 'k';
    const std::string whole = opening + head + text + end + closing;
    ASSERT_EQ(whole.size(), 4096u);
    {
        HANDLE file = CreateFileW(log.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr);
        CloseHandle(file);
        ASSERT_EQ(written, whole.size());
    }
    HANDLE fill = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(fill, INVALID_HANDLE_VALUE);
    const std::string block(4096, 'f');
    DWORD written = 0;
    while (WriteFile(fill, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
           written == block.size())
    {
    }
    CloseHandle(fill);

    EXPECT_FALSE(AppendHistoryLog(log.c_str(), 1, L"on a full disk", kHistoryNoItem, nullptr));
    std::string bytes = ReadFileBytes(log);
    ASSERT_GT(bytes.size(), 26u);
    EXPECT_EQ(bytes[26], '0');

    ASSERT_TRUE(DeleteFileW(filler.c_str()));
    ASSERT_TRUE(AppendHistoryLog(log.c_str(), 1, L"with space again", kHistoryNoItem, nullptr));
    std::vector<HistoryRecord> records;
    ASSERT_TRUE(LoadHistoryRecords(log.c_str(), records));
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().strText, L"with space again");
    DeleteFileW(log.c_str());
}

TEST_F(HistoryLogTest, LoaderReadsRecordsAndSkipsUnknownAttributes)
{
    std::vector<HistoryRecord> records = Load(
        Bom() + Utf16Bytes("<logs sync=\"0\">\r\n"
                      "<log time=\"1262304000\" status=\"1\" type=\"1\" name=\"BIOS\"> Flashed </log>\r\n"
                      "<log time=\"5\" status=\"1\" type=\"2\" name=\"X\" extra=\"1\"> skipped </log>\r\n"
                      "<log time=\"7\" status=\"0\"> No item </log>\r\n"
                      "<log> bare </log>\r\n"
                      "</logs>\r\n"));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].lTime, 1262304000);
    EXPECT_EQ(records[0].lStatus, 1);
    EXPECT_EQ(records[0].lType, 1);
    EXPECT_EQ(records[0].strName, L"BIOS");
    EXPECT_EQ(records[0].strText, L"Flashed");
    EXPECT_EQ(records[1].lTime, 7);
    EXPECT_EQ(records[1].lType, 0);
    EXPECT_EQ(records[1].strName, L"");
    EXPECT_EQ(records[1].strText, L"No item");
    EXPECT_EQ(records[2].lTime, 0);
    EXPECT_EQ(records[2].strText, L"bare");
}

TEST_F(HistoryLogTest, LoaderOnMissingAndBrokenFiles)
{
    std::vector<HistoryRecord> records(1);
    EXPECT_FALSE(LoadHistoryRecords(LogPath().c_str(), records));
    EXPECT_EQ(records.size(), 1u);  // left as it was

    CTraceCapture trace;
    records = Load(Bom() + Utf16Bytes("<logs sync=\"0\">\r\n<log time=\"1\"> a & b </log>\r\n</logs>\r\n"));
    EXPECT_TRUE(records.empty());
    ASSERT_EQ(trace.Lines().size(), 2u);
    EXPECT_EQ(trace.Lines()[0].rfind(L"XML Parsing Error 0x", 0), 0u);
    EXPECT_NE(trace.Lines()[0].find(L" on line "), std::wstring::npos);
    EXPECT_EQ(trace.Lines()[1].rfind(L"Reason : ", 0), 0u);

    EXPECT_TRUE(Load(Bom() + Utf16Bytes("<other><log time=\"1\"> a </log></other>")).empty());
}

TEST_F(HistoryLogTest, DateAndTimeAreLocal)
{
    for (LONG when : {0L, 1262304000L, 2147483647L})
    {
        __time32_t t = when;
        tm local = *_localtime32(&t);
        char date[16];
        char clock[16];
        strftime(date, sizeof(date), "%Y/%m/%d", &local);
        strftime(clock, sizeof(clock), "%H:%M:%S", &local);
        EXPECT_EQ(Narrow(FormatHistoryDate(when)), date);
        EXPECT_EQ(Narrow(FormatHistoryTime(when)), clock);
    }
}

TEST_F(HistoryLogTest, ClearDeletesWhateverTheFlagSays)
{
    for (char flag : {'0', '1'})
    {
        std::string bytes = Bom() + Utf16Bytes("<logs sync=\"0\">\r\n</logs>\r\n");
        bytes[26] = flag;
        m_folder.WriteBytes(L"log.xml", bytes);
        EXPECT_TRUE(ClearHistoryLog(LogPath().c_str()));
        EXPECT_EQ(GetFileAttributesW(LogPath().c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_FALSE(ClearHistoryLog(LogPath().c_str()));
}

TEST_F(HistoryLogTest, ClearChangesNothingWhenTheFileCannotBeOpened)
{
    AppendHistoryLog(LogPath().c_str(), 1, L"kept", kHistoryNoItem, nullptr);
    HANDLE exclusive = CreateFileW(LogPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                                   nullptr);
    ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(ClearHistoryLog(LogPath().c_str()));
    CloseHandle(exclusive);
    EXPECT_NE(GetFileAttributesW(LogPath().c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
