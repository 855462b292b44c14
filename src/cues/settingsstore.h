#pragma once

// Every persistent value of the program lives in one user-scope settings store in the platform's
// native format. The cue list and the main window's display switch both open it under these names,
// so they must never drift apart: a different organisation or application name is a different,
// empty store.
inline constexpr char settingsOrganisation[] = "velmora.example";
inline constexpr char settingsApplication[] = "Velmora";
