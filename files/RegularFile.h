#pragma once

// Opening files without surprises: only regular files are read or written,
// and nothing waits on a FIFO or wakes a device by being opened.

#include "files/CFile.h"

#include <cstddef>
#include <string>

// A process that writes past a file-size limit (ulimit -f) is ended by the
// kernel with no word; after this call such a write fails instead, and is
// told like a full disk. Called first thing by both programs.
void KeepWritesPastLimitsAsErrors();

// InUse: another program holds the file and shares it with no one.
enum class FileProblem { None, Missing, NotRegular, Refused, InUse, WriteFailed };

// Opens `path` (after following links) for reading, when it is a regular file.
// A file that is there but cannot be read is Refused or InUse, and `why`,
// where given, says why, in words that follow "cannot be read: ".
File OpenRegularForReading(const std::string& path, FileProblem& problem, std::string* why = nullptr);
// The same words on every system for the two common reasons; any other
// failure is told in the system's own words.
namespace UnreadableWords {
inline constexpr const char* InUse = "it is in use by another program";
inline constexpr const char* Denied = "access is denied";
} // namespace UnreadableWords

// Creates `path` or empties the regular file that is there, for writing.
// Anything else at that path (a FIFO, a device, a folder) is left alone.
File CreateRegularForWriting(const std::string& path, FileProblem& problem);

// Why a file could not be written at `path` now, or an empty text: its folder
// is missing or takes no new file, it is a folder, or it may not be written.
// Asked before work whose result is to go there.
std::string WhyNotWritable(const std::string& path);

// Puts `size` bytes into the file at `path` (a link: the file it points to),
// creating it when there is none. An existing file must be a regular file
// this user may write (Refused otherwise, file untouched). It is replaced
// through a new file renamed over it, so that a failed write leaves the old
// one whole, where that keeps its owner, mode and links; elsewhere it is
// written in place. WriteFailed when the bytes did not all reach the disk.
FileProblem ReplaceRegularFile(const std::string& path, const void* bytes, std::size_t size);
