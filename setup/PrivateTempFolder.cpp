#include "PrivateTempFolder.h"

#include "Handles.h"
#include "UniqueFolder.h"

#include <vector>

namespace {

bool WellKnownSid(WELL_KNOWN_SID_TYPE type, std::vector<BYTE>& sid)
{
    DWORD size = SECURITY_MAX_SID_SIZE;
    sid.resize(size);
    return CreateWellKnownSid(type, nullptr, sid.data(), &size) != FALSE;
}

// The current user's SID, unless the process runs elevated: then the
// folder's files are for SYSTEM and Administrators alone, and an empty SID
// stands for "leave the user out".
bool UserSid(std::vector<BYTE>& sid)
{
    HANDLE opened = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened))
        return false;
    const KernelHandle token(opened);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
        elevation.TokenIsElevated) {
        sid.clear();
        return true;
    }
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    if (size == 0 ||
        !GetTokenInformation(token.get(), TokenUser, buffer.data(), size, &size))
        return false;
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    sid.resize(GetLengthSid(user));
    return CopySid(DWORD(sid.size()), sid.data(), user) != FALSE;
}

} // namespace

bool MakePrivateFolderSecurity(PrivateFolderSecurity& security)
{
    if (!UserSid(security.user) || !WellKnownSid(WinLocalSystemSid, security.system) ||
        !WellKnownSid(WinBuiltinAdministratorsSid, security.administrators))
        return false;
    std::vector<std::vector<BYTE>*> sids = {&security.system, &security.administrators};
    if (!security.user.empty())
        sids.insert(sids.begin(), &security.user);
    DWORD size = sizeof(ACL);
    for (const std::vector<BYTE>* sid : sids)
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(PSID(sid->data()));
    security.acl.resize(size);
    ACL* acl = reinterpret_cast<ACL*>(security.acl.data());
    if (!InitializeAcl(acl, size, ACL_REVISION))
        return false;
    // Inherited by the files the run writes into the folder.
    for (std::vector<BYTE>* sid : sids) {
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE,
                                   FILE_ALL_ACCESS, PSID(sid->data())))
            return false;
    }
    return InitializeSecurityDescriptor(&security.descriptor, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&security.descriptor, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(&security.descriptor, SE_DACL_PROTECTED,
                                        SE_DACL_PROTECTED);
}

bool PrivateTempFolder::Create()
{
    char base[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, base);
    if (length == 0 || length >= MAX_PATH)
        return false;
    // Without its own access list the folder would take the temporary
    // folder's, which may let other accounts in: no folder then.
    PrivateFolderSecurity security;
    if (!MakePrivateFolderSecurity(security))
        return false;
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, &security.descriptor, FALSE};
    char folder[kMaxPath];
    if (!CreateUniqueFolder(base, "Velumo-", &attributes, folder))
        return false;
    // Kept with its final backslash, which must fit as well.
    if (JoinPath(path_, folder, '\\', nullptr))
        return true;
    RemoveDirectoryA(folder);
    return false;
}

void PrivateTempFolder::Remove()
{
    if (!created())
        return;
    // Entries are plain file names, so the folder holds files only.
    char pattern[kMaxPath];
    JoinPath(pattern, path_, '\0', "*");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            char file[kMaxPath];
            if (JoinPath(file, path_, '\0', found.cFileName)) {
                SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path_);
    path_[0] = '\0';
}
