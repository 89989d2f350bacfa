#pragma once
// The one way the program replaces a file: saving a project and every export. The bytes go to
// a temporary file in the target's folder, reach the disk, and only then take the target's
// name, so the target is always either the old file or the complete new one. A symbolic link
// is followed and stays a link; the new file keeps the old one's permissions.
//
// Temporaries are named ".tqx-PID-N.tmp": short, so any name the target may have still
// leaves room, and owned by a process through a lock held while it writes. One that a killed
// process left behind is removed by the next writer that opens in that folder.
#include <sys/types.h>

#include <cstddef>
#include <string>

#include "platform/regular_file.h"

namespace tqx {

class AtomicFileWriter {
public:
    enum class Status {
        Ok,
        NotRegular,    // the target is a folder, a device, a FIFO...: see targetKind()
        ReadOnly,      // the target exists and is write-protected
        CannotCreate,  // no temporary file could be made in the target's folder
        CannotWrite,   // writing, reaching the disk or taking the name failed
    };

    explicit AtomicFileWriter(std::string path);
    ~AtomicFileWriter();  // discards what was not committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    // Looks at the target and creates the temporary file.
    Status open();
    // Appends bytes; a failure is remembered and makes commit() fail.
    bool write(const void* bytes, std::size_t count);
    // Puts the complete file in the target's place.
    Status commit();
    // Removes the temporary file; the target stays as it was.
    void discard();

    // After open(): the file that is replaced (links followed), what it is, and whether a
    // file was there to be replaced.
    const std::string& target() const { return target_; }
    FileKind targetKind() const { return targetKind_; }
    bool replacesExisting() const { return targetKind_ != FileKind::Missing; }

    // Folder entries that are temporaries of this program, as (owner process, name) when
    // `name` is one.
    static bool isTemporaryName(const std::string& name, pid_t* owner = nullptr);

private:
    std::string path_;
    std::string target_;
    std::string temporary_;
    FileKind targetKind_ = FileKind::Missing;
    int fd_ = -1;
    bool failed_ = false;
};

// The refusal shown for a write-protected file.
std::string readOnlyFileMessage(const std::string& path);

}  // namespace tqx
