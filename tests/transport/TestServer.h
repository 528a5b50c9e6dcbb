// Access to the test update server that tools/wine-with-update-server.sh
// starts beside the test program.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// "http://127.0.0.1:PORT" without a trailing "/".
std::wstring ServerBase();

// The server's URL of a path below its folder ("pub/a.zip"); faults go in
// front as "_fault/cut=100/pub/a.zip".
std::wstring ServerUrl(const std::wstring& path);

// The same folder served over TLS: "https://127.0.0.1:PORT/" + path.
std::wstring TlsServerUrl(const std::wstring& path);

// Trusts the TLS server's certificate (made for this run) as a root while
// it lives.
class CTrustedTlsCertificate
{
public:
    CTrustedTlsCertificate();
    ~CTrustedTlsCertificate();

    CTrustedTlsCertificate(const CTrustedTlsCertificate&) = delete;
    CTrustedTlsCertificate& operator=(const CTrustedTlsCertificate&) = delete;

private:
    std::string m_der;
};

// Places a file in the served folder, creating its folders.
void PutServedFile(const std::wstring& path, const std::string& bytes);

// The request log, one JSON line per request answered so far.
std::vector<std::string> ServerRequests();

// Deterministic bytes that differ at every offset within a few KiB, so a
// shifted or repeated piece never compares equal.
std::string MakeContent(size_t size, unsigned seed = 1);

// An address on which nothing listens.
std::wstring ClosedPortUrl(const std::wstring& path);

// Sets the "Server" value of the shared settings key while it lives (the
// key is created when missing) and removes it again.
class CServerSetting
{
public:
    explicit CServerSetting(const std::wstring& server);
    ~CServerSetting();

    CServerSetting(const CServerSetting&) = delete;
    CServerSetting& operator=(const CServerSetting&) = delete;
};
