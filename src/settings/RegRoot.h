#pragma once

// The registry root a settings procedure works under. The program only ever uses the current
// user's part of the store.
enum class RegRoot { CurrentUser };
