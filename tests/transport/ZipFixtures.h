// Expected contents of the build-time zip fixtures (make_zip_fixtures.py).
#pragma once

#include <string>

// The fixture writer's pattern(size, seed): mildly compressible bytes.
std::string FixturePattern(size_t size, unsigned seed);

inline const std::string kReadmeText = "Stored text of the package.\r\n";

inline std::string GuideText()
{
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "Guide in a folder.\r\n";
    return text;
}
