#pragma once

#include <QtGlobal>

// Value type numbers as the registry stores them.
namespace RegValueType {
inline constexpr quint32 None = 0;        // REG_NONE
inline constexpr quint32 Text = 1;        // REG_SZ
inline constexpr quint32 ExpandText = 2;  // REG_EXPAND_SZ
inline constexpr quint32 Binary = 3;      // REG_BINARY
inline constexpr quint32 Dword = 4;       // REG_DWORD, little-endian
}

// Result codes of the registry calls, with the registry's own numbers so that a stored last
// result means the same as it would there.
namespace RegResult {
inline constexpr qint32 Success = 0;            // ERROR_SUCCESS
inline constexpr qint32 FileNotFound = 2;       // ERROR_FILE_NOT_FOUND: no such key or value
inline constexpr qint32 InvalidHandle = 6;      // ERROR_INVALID_HANDLE
inline constexpr qint32 InvalidParameter = 87;  // ERROR_INVALID_PARAMETER
inline constexpr qint32 BadPathname = 161;      // ERROR_BAD_PATHNAME: malformed key path
inline constexpr qint32 MoreData = 234;         // ERROR_MORE_DATA: the buffer is too small
inline constexpr qint32 BadDatabase = 1009;     // ERROR_BADDB: damaged file that could not be set aside
inline constexpr qint32 CantWrite = 1013;       // ERROR_CANTWRITE: lock or replacement failed
}
