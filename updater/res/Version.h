// The product version, for the version resources of the programs.
#pragma once

#define KESTREL_VERSION_MAJOR 2
#define KESTREL_VERSION_MINOR 1
#define KESTREL_VERSION_PATCH 0
#define KESTREL_VERSION_BUILD 0
#define KESTREL_VERSION_TEXT "2.1.0.0"
