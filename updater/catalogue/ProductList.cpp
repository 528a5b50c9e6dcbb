#include "ProductList.h"

#include <cstring>

#include "UniqueHandle.h"
#include "XmlEscape.h"

namespace {

constexpr DWORD kChunkBytes = 1000;
constexpr DWORD kRc4KeyFlags = 0x00800000;  // 128-bit key, no other flags
constexpr size_t kAnsiPathBytes = 1024;

constexpr BYTE kByteOrderMark[] = {0xFF, 0xFE};
constexpr wchar_t kClosingLine[] = L"</product>\r\n";
constexpr LONG kClosingLineBytes = (sizeof(kClosingLine) / sizeof(wchar_t) - 1) * sizeof(wchar_t);
static_assert(kClosingLineBytes == 24, "the append step replaces exactly the closing line");

enum class Direction { Encrypt, Decrypt };

bool DeriveKey(const char* containerName, const char* passPhrase, CCryptContext& provider,
               CCryptKey& key)
{
    if (!CryptAcquireContextA(provider.Put(), containerName, nullptr, PROV_RSA_FULL, 0))
    {
        if (GetLastError() != static_cast<DWORD>(NTE_BAD_KEYSET) ||
            !CryptAcquireContextA(provider.Put(), containerName, nullptr, PROV_RSA_FULL,
                                  CRYPT_NEWKEYSET))
            return false;
    }
    CCryptHash hash;
    if (!CryptCreateHash(provider.Get(), CALG_MD5, 0, 0, hash.Put()) ||
        !CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(passPhrase),
                       static_cast<DWORD>(strlen(passPhrase)), 0))
        return false;
    return CryptDeriveKey(provider.Get(), CALG_RC4, hash.Get(), kRc4KeyFlags, key.Put());
}

int TransformFile(Direction direction, const char* containerName, const char* passPhrase,
                  const char* sourcePath, const char* targetPath)
{
    CFileHandle source(CreateFileA(sourcePath, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source)
        return 0;
    CFileHandle target(CreateFileA(targetPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!target)
        return 0;
    CCryptContext provider;
    CCryptKey key;
    if (!DeriveKey(containerName, passPhrase, provider, key))
        return 0;

    BYTE chunk[kChunkBytes];
    for (;;)
    {
        DWORD length = 0;
        if (!ReadFile(source.Get(), chunk, kChunkBytes, &length, nullptr))
            return 0;
        BOOL final = length < kChunkBytes;
        BOOL transformed = direction == Direction::Encrypt
                               ? CryptEncrypt(key.Get(), 0, final, 0, chunk, &length, kChunkBytes)
                               : CryptDecrypt(key.Get(), 0, final, 0, chunk, &length);
        if (!transformed)
            return 0;
        DWORD written = 0;
        if (!WriteFile(target.Get(), chunk, length, &written, nullptr) || written != length)
            return 0;
        if (final)
            return 1;
    }
}

std::string ToAnsi(const std::wstring& text)
{
    char buffer[kAnsiPathBytes] = {};
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, buffer, kAnsiPathBytes - 1, nullptr, nullptr);
    return buffer;
}

bool WriteText(HANDLE file, const std::wstring& text)
{
    DWORD size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    return WriteFile(file, text.data(), size, &written, nullptr) && written == size;
}

std::wstring Escaped(const wchar_t* text)
{
    std::wstring escaped;
    AppendEscapedXml(escaped, text, static_cast<size_t>(-1));
    return escaped;
}

}  // namespace

int EncryptFile(const char* containerName, const char* passPhrase, const char* sourcePath,
                const char* targetPath)
{
    return TransformFile(Direction::Encrypt, containerName, passPhrase, sourcePath, targetPath);
}

int DecryptFile(const char* containerName, const char* passPhrase, const char* sourcePath,
                const char* targetPath)
{
    return TransformFile(Direction::Decrypt, containerName, passPhrase, sourcePath, targetPath);
}

std::wstring GetProductListPath(const wchar_t* folder, const wchar_t* modelName,
                                const wchar_t* extension)
{
    std::wstring fileName = modelName;
    for (wchar_t& ch : fileName)
    {
        if (ch == L'/')
            ch = L'_';
    }
    return std::wstring(folder) + L"\\" + fileName + extension;
}

bool RecordInstalledPackage(const wchar_t* folder, const wchar_t* modelName,
                            const wchar_t* zipPath)
{
    std::wstring encryptedPath = GetProductListPath(folder, modelName, L".fbk");
    std::wstring plainPath = GetProductListPath(folder, modelName, L".raw");
    std::string ansiEncrypted = ToAnsi(encryptedPath);
    std::string ansiPlain = ToAnsi(plainPath);
    // Written beside the list first and swapped in only when complete, so a
    // failed encryption keeps the packages recorded so far.
    std::string ansiPending = ToAnsi(encryptedPath + L".new");

    if (GetFileAttributesW(encryptedPath.c_str()) != INVALID_FILE_ATTRIBUTES)
        DecryptFile(kProductListPassPhrase, kProductListPassPhrase, ansiEncrypted.c_str(),
                    ansiPlain.c_str());

    {
        CFileHandle plain(CreateFileW(plainPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
        if (!plain)
            return false;

        // A plain list too short to end in the closing line (a decryption
        // that failed at once) is started again rather than torn further.
        LARGE_INTEGER size = {};
        if (existed && (!GetFileSizeEx(plain.Get(), &size) ||
                        size.QuadPart < static_cast<LONGLONG>(sizeof(kByteOrderMark)) +
                                            kClosingLineBytes))
        {
            SetEndOfFile(plain.Get());
            existed = false;
        }

        if (existed)
        {
            SetFilePointer(plain.Get(), -kClosingLineBytes, nullptr, FILE_END);
        }
        else
        {
            DWORD written = 0;
            WriteFile(plain.Get(), kByteOrderMark, sizeof(kByteOrderMark), &written, nullptr);
            WriteText(plain.Get(), L"<product name=\"" + Escaped(modelName) + L"\">\r\n");
        }
        WriteText(plain.Get(), L"<zip-path> " + Escaped(zipPath) + L" </zip-path>\r\n");
        WriteText(plain.Get(), kClosingLine);
        FlushFileBuffers(plain.Get());
    }

    if (!EncryptFile(kProductListPassPhrase, kProductListPassPhrase, ansiPlain.c_str(),
                     ansiPending.c_str()) ||
        !MoveFileExA(ansiPending.c_str(), ansiEncrypted.c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileA(ansiPending.c_str());
    DeleteFileW(plainPath.c_str());
    return true;
}
