#include "DownloadUrl.h"

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {

struct UrlCase
{
    const wchar_t* url;
    const wchar_t* server;  // null: the URL is refused
    INTERNET_PORT port;
    const wchar_t* object;
    bool secure;
};

TEST(DownloadUrlTest, SplitsHttpAndHttpsUrls)
{
    const UrlCase cases[] = {
        {L"http://update.vexa.example/pub/a.zip", L"update.vexa.example", 80, L"/pub/a.zip", false},
        {L"HTTP://127.0.0.1:8080/pub/a.zip?x=1#top", L"127.0.0.1", 8080, L"/pub/a.zip?x=1", false},
        {L"https://host/pub/a.zip", L"host", 443, L"/pub/a.zip", true},
        {L"https://host:8443", L"host", 8443, L"/", true},
        {L"http://host?q", L"host", 80, L"/?q", false},
        // Blanks and text outside ASCII go escaped; escapes stay as they are.
        {L"http://h/pub/VEXA/Skylark/Release/Towerline PC/AB_CD.idx", L"h", 80,
         L"/pub/VEXA/Skylark/Release/Towerline%20PC/AB_CD.idx", false},
        {L"http://h/a%20b/\x00e9.zip", L"h", 80, L"/a%20b/%C3%A9.zip", false},
        {L"host/pub/a.zip", nullptr, 0, nullptr, false},
        {L"ftp://host/a.zip", nullptr, 0, nullptr, false},
        {L"http://", nullptr, 0, nullptr, false},
        {L"http://:80/a", nullptr, 0, nullptr, false},
        {L"http://host:0/a", nullptr, 0, nullptr, false},
        {L"http://host:65536/a", nullptr, 0, nullptr, false},
        {L"http://host:8x/a", nullptr, 0, nullptr, false},
        {L"http://user:pw@host/a", nullptr, 0, nullptr, false},
    };
    for (const UrlCase& c : cases)
    {
        SCOPED_TRACE(Narrow(c.url));
        DownloadUrl url;
        bool parsed = ParseDownloadUrl(c.url, url);
        ASSERT_EQ(parsed, c.server != nullptr);
        if (!parsed)
            continue;
        EXPECT_EQ(url.strServer, c.server);
        EXPECT_EQ(url.nPort, c.port);
        EXPECT_EQ(url.strObject, c.object);
        EXPECT_EQ(url.bSecure, c.secure);
        EXPECT_EQ(url.dwServiceType, static_cast<DWORD>(INTERNET_SERVICE_HTTP));
    }
}

}  // namespace
