#include "TestServer.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

#include "TestFiles.h"

namespace {

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD n = GetEnvironmentVariableW(name, value, MAX_PATH);
    EXPECT_TRUE(n > 0 && n < MAX_PATH) << Narrow(name) << " is not set: run through tools/wine-with-update-server.sh";
    return value;
}

}  // namespace

std::wstring ServerBase()
{
    return Environment(L"KESTREL_TEST_SERVER");
}

std::wstring ServerUrl(const std::wstring& path)
{
    return ServerBase() + L"/" + path;
}

std::wstring TlsServerUrl(const std::wstring& path)
{
    return Environment(L"KESTREL_TEST_TLS_SERVER") + L"/" + path;
}

namespace {

// A registry store writes its changes when it is closed, so each change opens
// and closes the store.
HCERTSTORE OpenRootStore()
{
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
    EXPECT_NE(store, nullptr);
    return store;
}

}  // namespace

CTrustedTlsCertificate::CTrustedTlsCertificate() : m_der(ReadFileBytes(Environment(L"KESTREL_TEST_TLS_CERT")))
{
    EXPECT_FALSE(m_der.empty());
    HCERTSTORE store = OpenRootStore();
    EXPECT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING,
                                                 reinterpret_cast<const BYTE*>(m_der.data()),
                                                 static_cast<DWORD>(m_der.size()), CERT_STORE_ADD_REPLACE_EXISTING,
                                                 nullptr));
    CertCloseStore(store, 0);
}

CTrustedTlsCertificate::~CTrustedTlsCertificate()
{
    PCCERT_CONTEXT certificate = CertCreateCertificateContext(
        X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(m_der.data()), static_cast<DWORD>(m_der.size()));
    HCERTSTORE store = OpenRootStore();
    PCCERT_CONTEXT stored =
        CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, certificate, nullptr);
    if (stored)
        CertDeleteCertificateFromStore(stored);
    CertCloseStore(store, 0);
    CertFreeCertificateContext(certificate);
}

void PutServedFile(const std::wstring& path, const std::string& bytes)
{
    std::wstring full = Environment(L"KESTREL_TEST_SERVER_ROOT");
    size_t start = 0;
    for (;;)
    {
        size_t slash = path.find(L'/', start);
        if (slash == std::wstring::npos)
            break;
        CreateDirectoryW((full + L"\\" + path.substr(0, slash)).c_str(), nullptr);
        start = slash + 1;
    }
    std::wstring local = full + L"\\" + path;
    for (auto& c : local)
        if (c == L'/')
            c = L'\\';
    HANDLE file = CreateFileW(local.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::vector<std::string> ServerRequests()
{
    std::string log = ReadFileBytes(Environment(L"KESTREL_TEST_SERVER_LOG"));
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < log.size())
    {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        lines.push_back(log.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string MakeContent(size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i)
    {
        state = state * 1103515245u + 12345u;
        bytes[i] = static_cast<char>(state >> 16);
    }
    return bytes;
}

std::wstring ClosedPortUrl(const std::wstring& path)
{
    // Port 9 (discard) has no listener in the test's own network namespace.
    return L"http://127.0.0.1:9/" + path;
}

namespace {

constexpr wchar_t kSettingsKey[] = L"SOFTWARE\\Vexa\\Vexa Kestrel";

}  // namespace

CServerSetting::CServerSetting(const std::wstring& server)
{
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    // Written without the terminating zero, as the programs write strings.
    RegSetValueExW(key, L"Server", 0, REG_SZ, reinterpret_cast<const BYTE*>(server.c_str()),
                   static_cast<DWORD>(server.size() * sizeof(wchar_t)));
    RegCloseKey(key);
}

CServerSetting::~CServerSetting()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS)
    {
        RegDeleteValueW(key, L"Server");
        RegCloseKey(key);
    }
}
