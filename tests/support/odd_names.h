#pragma once
// The double quote the odd-name tests put into file names. Windows forbids it there, so on Windows
// they use the full-width quotation mark instead, which no JSON escape touches.

#ifdef _WIN32
#define LANTARO_NAME_QUOTE "＂"
#define LANTARO_NAME_QUOTE_JSON "＂"
#else
#define LANTARO_NAME_QUOTE "\""
#define LANTARO_NAME_QUOTE_JSON "\\\""
#endif
