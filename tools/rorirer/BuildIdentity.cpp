#include "BuildIdentity.h"

#include <link.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace rorirer {
namespace {

struct Found {
    std::string program;
    std::string library;
};

// The GNU build id among the object's notes, in hex; empty when it has none.
std::string buildIdOf(const dl_phdr_info* info) {
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& header = info->dlpi_phdr[i];
        if (header.p_type != PT_NOTE) continue;
        const char* at = reinterpret_cast<const char*>(info->dlpi_addr + header.p_vaddr);
        const char* end = at + header.p_memsz;
        while (at + sizeof(ElfW(Nhdr)) <= end) {
            ElfW(Nhdr) note;
            std::memcpy(&note, at, sizeof note);
            const char* name = at + sizeof note;
            const char* desc = name + ((note.n_namesz + 3) & ~3u);
            at = desc + ((note.n_descsz + 3) & ~3u);
            if (at > end) break;
            if (note.n_type != NT_GNU_BUILD_ID || note.n_namesz != 4 ||
                std::memcmp(name, "GNU", 4) != 0)
                continue;
            std::string hex;
            char digits[3];
            for (unsigned b = 0; b < note.n_descsz; ++b) {
                std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(desc[b]));
                hex += digits;
            }
            return hex;
        }
    }
    return "";
}

// Without a build id: the file's size and modification time.
std::string fileStampOf(const char* path) {
    struct stat info {};
    if (path == nullptr || ::stat(path, &info) != 0) return "unknown";
    return "file " + std::to_string(info.st_size) + " " + std::to_string(info.st_mtim.tv_sec) +
           "." + std::to_string(info.st_mtim.tv_nsec);
}

int visit(dl_phdr_info* info, std::size_t, void* data) {
    auto* found = static_cast<Found*>(data);
    const char* name = info->dlpi_name;
    const bool program = found->program.empty() && (name == nullptr || name[0] == '\0');
    const bool library = name != nullptr && std::strstr(name, "libRorIrer") != nullptr;
    if (!program && !library) return 0;
    std::string id = buildIdOf(info);
    if (id.empty()) id = fileStampOf(program ? "/proc/self/exe" : name);
    (program ? found->program : found->library) = id;
    return 0;
}

std::string identify() {
    Found found;
    dl_iterate_phdr(visit, &found);
    return "program " + (found.program.empty() ? "unknown" : found.program) + "; library " +
           (found.library.empty() ? "unknown" : found.library);
}

}  // namespace

const std::string& buildIdentity() {
    static const std::string identity = identify();
    return identity;
}

}  // namespace rorirer
