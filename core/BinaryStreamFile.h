#pragma once
// The binary stream over a file. The file type is a CFile or a class built on it (the settings
// file adds its data version); the stream itself treats every such type alike.

#include "core/BinaryStream.h"
#include "core/Exception.h"
#include "core/File.h"

namespace NTev::NFile
{
template <typename t_CFile>
class CBinaryStreamFile : public NStream::CBinaryStream
{
public:
    CBinaryStreamFile() = default;
    // Closes the file if open; a failed close is dropped here.
    ~CBinaryStreamFile() override
    {
        try
        {
            if (m_File.f_IsOpen())
                m_File.f_Close();
        }
        catch (const NException::CException&)
        {
        }
    }
    CBinaryStreamFile(const CBinaryStreamFile&) = delete;
    CBinaryStreamFile& operator=(const CBinaryStreamFile&) = delete;

    t_CFile& f_GetFile() noexcept { return m_File; }
    void f_Open(const char* path, std::uint32_t flags) { m_File.f_Open(path, flags); }
    void f_Close() { m_File.f_Close(); }

    std::int64_t f_Write(const void* data, std::int64_t size) override { return m_File.f_Write(data, size); }
    std::int64_t f_Read(void* buffer, std::int64_t size) override { return m_File.f_Read(buffer, size); }
    bool f_IsOpen() override { return m_File.f_IsOpen(); }
    bool f_IsEndOfFile() override { return m_File.f_IsEndOfFile(); }
    std::int64_t f_GetPosition() override { return m_File.f_GetPosition(); }
    void f_SetPosition(std::int64_t position) override { m_File.f_SetPosition(position); }
    std::int64_t f_SetPositionFromEnd(std::int64_t distance) override
    {
        return m_File.f_SetPositionFromEnd(distance);
    }
    void f_AddPosition(std::int64_t delta) override { m_File.f_AddPosition(delta); }
    std::int64_t f_GetSize() override { return m_File.f_GetSize(); }
    std::int64_t f_Reserved0() override { return 0; }
    void f_ReservedNothing() override {}
    std::int64_t f_Reserved4() override { return 4; }
    std::int64_t f_Reserved1() override { return 1; }

private:
    t_CFile m_File;
};
} // namespace NTev::NFile
