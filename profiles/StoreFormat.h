#pragma once
#include "profiles/ProxyProfile.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The bytes of the store file "proxies.kpp": a 9-byte header, then length-prefixed records to the
// end of the file. Format 1.10 (UTF-16) is read and written; 1.00 (ANSI, no adapter rule) is read.
// Nothing here touches a file: StoreFile reads and writes these bytes on disk.

enum class StoreReadResult {
    Read,
    Missing,     // no file there
    InUse,       // another program holds it (a backup, an editor, a sync client): worth another try
    CannotRead,  // there, but it could not be opened or read to its end
    UnknownHeader,
    TooLarge,
};

// Fills target with up to count bytes of the file, in order; gives how many, 0 at its end (or
// when reading failed, which the source itself keeps).
using StoreSource = std::function<std::size_t(char* target, std::size_t count)>;
// The older format's text, in the system's ANSI code page, made wide.
using AnsiDecoder = std::function<std::wstring(std::string_view text)>;

// Reads as ReadFile does (fewer bytes at the end of the file, none after it), through a buffer.
// A string never asks for more memory than the file still holds, whatever its count says.
class StoreReader {
public:
    StoreReader(StoreSource source, std::uint64_t size) : m_source(std::move(source)), m_remaining(size) {}

    // Bytes actually read.
    std::size_t Read(void* target, std::size_t count);
    std::uint32_t ReadNumber();
    // A count, then that many bytes (or the rest of the file, when it is shorter).
    std::vector<unsigned char> ReadCounted(std::uint64_t byteCount);
    [[nodiscard]] std::size_t LastRead() const { return m_lastRead; }

private:
    bool Refill();

    StoreSource m_source;
    std::vector<char> m_buffer;
    std::size_t m_position = 0;
    std::uint64_t m_remaining = 0;
    std::size_t m_lastRead = 0;
};

// The header, then every record after it, each handed to take as soon as it is read, in file
// order, so that what the reader keeps never grows with the file. Every complete file ends with
// one empty record (the pass that meets the end of the file), which the list keeps under the
// empty name. Read, or UnknownHeader (nothing taken).
[[nodiscard]] StoreReadResult ReadStoreRecords(StoreReader& reader, const AnsiDecoder& decode,
                                               const std::function<void(ProxyProfile&&)>& take);

// The whole file in the 1.10 format.
[[nodiscard]] std::vector<char> FormatStoreFile(const std::vector<ProxyProfile>& records);
