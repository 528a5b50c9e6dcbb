#include "PackagePaths.h"

namespace {

// The text up to and including its last backslash; all of it when there is
// no backslash.
std::string FolderPartOf(const std::string& path)
{
    size_t slash = path.rfind('\\');
    return slash == std::string::npos ? path : path.substr(0, slash + 1);
}

}  // namespace

std::string InstallationFolderOf(const std::string& packagePath)
{
    size_t temp = packagePath.find("\\Temp\\");
    return temp == std::string::npos ? std::string() : packagePath.substr(0, temp);
}

std::string InUseTestNameOf(const std::string& installationFolder)
{
    return installationFolder + "1";
}

std::string UninstallParametersOf(const std::string& uninstallString, const std::string& logFile)
{
    constexpr size_t kRunDll32Prefix = 9;  // "RunDll32 "
    std::string parameters =
        uninstallString.size() > kRunDll32Prefix ? uninstallString.substr(kRunDll32Prefix) : "";
    return parameters + "-f1\"" + FolderPartOf(logFile) + "remove.iss\" -s";
}

std::string UpdaterCommandOf(const std::string& runValue)
{
    // A Run value may quote its program; the updater's path is quoted in
    // turn so that a folder with blanks cannot start another program.
    std::string program = runValue;
    if (!program.empty() && program[0] == '"')
        program.erase(0, 1);
    return "\"" + FolderPartOf(program) + "Kestupdt.exe\"";
}
