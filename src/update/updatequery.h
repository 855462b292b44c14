#pragma once

#include <QString>

// Where the update check asks: the maker's service, or the address in the environment variable
// VELMORA_UPDATE_URL when it is set (sites that host their own version file, and tests).
QString updateQueryUrl();
