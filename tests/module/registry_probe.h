#pragma once
// Reads, writes and clean-ups of registry keys for the registration tests. Paths are ANSI
// and relative to a root key.
#include <windows.h>

#include <string>
#include <vector>

// "{XXXXXXXX-...}", the registry form of an identifier.
std::string GuidText(REFGUID guid);
// "CLSID\{...}" of a class, as the class key is named under a classes root.
std::string ClassKeyPath(REFCLSID clsid);
// Where the filter mapper keeps a filter of the default filter category.
std::string MapperInstancePath(REFCLSID clsid);

// `path` inside the class registrations of HKEY_LOCAL_MACHINE (the machine's) or
// HKEY_CURRENT_USER (the user's), for reading them apart from the merged view.
std::string InClasses(const std::string& path);

bool KeyExists(HKEY root, const std::string& path);
// A REG_SZ value ("" for the default value); false when the key or value is missing or of
// another type.
bool ReadString(HKEY root, const std::string& path, const char* valueName, std::string* text);
std::vector<std::string> ValueNames(HKEY root, const std::string& path);
std::vector<std::string> SubKeyNames(HKEY root, const std::string& path);

void CreateKey(HKEY root, const std::string& path);
void WriteString(HKEY root, const std::string& path, const char* valueName, const char* text);
void DeleteTree(HKEY root, const std::string& path);

// Replaces the key's access list by one that grants `allowed` to everyone (nothing when 0).
LONG RestrictKey(HKEY root, const std::string& path, DWORD allowed);
