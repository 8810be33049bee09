#include "registry_probe.h"

#include <objbase.h>

namespace {
// CLSID_LegacyAmFilterCategory, the filter mapper's default category.
constexpr const char* kLegacyFilterCategory = "{083863F1-70DE-11D0-BD40-00A0C911CE86}";

class Key {
public:
    Key(HKEY root, const std::string& path, REGSAM access) {
        if (RegOpenKeyExA(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) {
            key = nullptr;
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (key != nullptr) {
            RegCloseKey(key);
        }
    }
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

} // namespace

std::string GuidText(REFGUID guid) {
    WCHAR wide[40] = {};
    StringFromGUID2(guid, wide, 40);
    std::string text;
    for (const WCHAR* c = wide; *c != 0; ++c) {
        text += static_cast<char>(*c);
    }
    return text;
}
std::string ClassKeyPath(REFCLSID clsid) {
    return "CLSID\\" + GuidText(clsid);
}

std::string MapperInstancePath(REFCLSID clsid) {
    return std::string("CLSID\\") + kLegacyFilterCategory + "\\Instance\\" + GuidText(clsid);
}

std::string InClasses(const std::string& path) {
    return "Software\\Classes\\" + path;
}

bool KeyExists(HKEY root, const std::string& path) {
    return Key(root, path, KEY_READ).Get() != nullptr;
}

bool ReadString(HKEY root, const std::string& path, const char* valueName, std::string* text) {
    Key key(root, path, KEY_READ);
    char data[1024];
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    if (key.Get() == nullptr ||
        RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    data[size] = '\0';
    *text = data;
    return true;
}

std::vector<std::string> ValueNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    Key key(root, path, KEY_READ);
    for (DWORD i = 0; key.Get() != nullptr; ++i) {
        char name[512];
        DWORD length = sizeof(name);
        if (RegEnumValueA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<std::string> SubKeyNames(HKEY root, const std::string& path) {
    std::vector<std::string> names;
    Key key(root, path, KEY_READ);
    for (DWORD i = 0; key.Get() != nullptr; ++i) {
        char name[512];
        DWORD length = sizeof(name);
        if (RegEnumKeyExA(key.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    return names;
}

void CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegCloseKey(key);
    }
}

void WriteString(HKEY root, const std::string& path, const char* valueName, const char* text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(lstrlenA(text) + 1));
        RegCloseKey(key);
    }
}

void DeleteTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

LONG RestrictKey(HKEY root, const std::string& path, DWORD allowed) {
    Key key(root, path, READ_CONTROL | WRITE_DAC);
    if (key.Get() == nullptr) {
        return ERROR_FILE_NOT_FOUND;
    }
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) {
        return static_cast<LONG>(GetLastError());
    }
    alignas(DWORD) BYTE aclBuffer[256];
    PACL acl = reinterpret_cast<PACL>(aclBuffer);
    InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION);
    if (allowed != 0) {
        AddAccessAllowedAce(acl, ACL_REVISION, allowed, everyone);
    }
    SECURITY_DESCRIPTOR descriptor;
    InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE);
    const LONG result = RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor);
    FreeSid(everyone);
    return result;
}
