#include "SampleDocuments.h"

const char kSampleIndexItem[] =
    " <item name='Audio Driver'>\r\n"
    "  <type> driver </type>\r\n"
    "  <hwid version='5.10.0.5' date='05/20/2009'>PCI\\VEN_8086&amp;DEV_27D8</hwid>\r\n"
    "  <os>WinXP,Win7,Win7(64)</os>\r\n"
    "  <version>5.10</version><size>1024</size>\r\n"
    "  <zip-path>Audio/Audio.zip</zip-path><path>C:\\K\\Temp\\3\\Audio.zip</path>\r\n"
    "  <execute>setup.exe -s</execute><uninstall>un.exe</uninstall>\r\n"
    "  <pre-patch>pre.exe</pre-patch><post-patch>post.exe</post-patch>\r\n"
    "  <index>3</index><dependence>1,2</dependence>\r\n"
    "  <reboot>1</reboot><downgradable>1</downgradable>\r\n"
    "  <description l_id='1033' title='Audio driver'>HD audio driver</description>\r\n"
    "  <unknown>ignored</unknown>\r\n"
    " </item>\r\n";

const wchar_t kSamplePendingWork[] =
    L"<product name=\"P1\" opt=\"0\">\r\n"
    L"\r\n<item name=\"Audio Driver\">\r\n"
    L"<description l_id=\"1033\" title=\"Audio driver\">HD audio driver</description>\r\n"
    L"<type> driver </type>\r\n"
    L"<version> 5.10.0.5 </version>\r\n"
    L"<size> 1234567 </size>\r\n"
    L"<zip-path> Audio/Audio.zip </zip-path>\r\n"
    L"<path> C:\\Kestrel\\Temp\\3\\Audio.zip </path>\r\n"
    L"<execute> setup.exe -s </execute>\r\n"
    L"<index> 3 </index>\r\n"
    L"<dependence> 1 </dependence>\r\n"
    L"<reboot> 1 </reboot>\r\n"
    L"</item>\r\n"
    L"\r\n</product>\r\n";
