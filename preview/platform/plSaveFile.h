#pragma once

// Putting a QSaveFile in place only when every byte reached the disk.
// QSaveFile::commit() flushes its buffer while closing but, when that flush
// fails (a full file system, a file-size limit), still renames the short
// temporary file over the target and may even report success. Flushing first
// and cancelling on failure keeps the previous file whole.

#include <QSaveFile>

inline bool CommitComplete(QSaveFile& AFile)
{
    if (!AFile.flush() || AFile.error() != QFileDevice::NoError) {
        AFile.cancelWriting(); // the temporary file goes with the object
        return false;
    }
    return AFile.commit();
}
