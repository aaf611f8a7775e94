#include "runtime/file_stream.h"

#include <cstring>
#include <new>

#include "platform/file_system.h"
#include "platform/platform.h"
#include "platform/system.h"
#include "runtime/allocation_hook.h"

namespace pelorin {

u32 FileStream::create(const char* name, std::unique_ptr<FileStream>& out) {
    out.reset();
    if (!name || !*name) return ERR_ACCESS_DENIED;
    std::unique_ptr<FileStream> stream(allocationMustFail() ? nullptr : new (std::nothrow) FileStream());
    if (!stream) return ERR_NO_MEMORY;
    const std::size_t length = std::strlen(name);
    stream->name_.reset(checkedNewArray<char>(length + 1));
    if (!stream->name_) return ERR_NO_MEMORY;
    std::memcpy(stream->name_.get(), name, length + 1);

    const platform::Platform& p = platform::current();
    u32 granularity = p.system ? p.system->allocationGranularity() : 0;
    stream->capacity_ = granularity ? granularity : FILE_STREAM_DEFAULT_BUFFER;
    stream->buffer_.reset(checkedNewArray<u8>(stream->capacity_));
    if (!stream->buffer_) return ERR_NO_MEMORY;
    out = std::move(stream);
    return ERR_OK;
}

FileStream::~FileStream() { close(); }

u32 FileStream::openForWriting() {
    if (file_) return fail(ERR_BAD_VALUE);
    platform::FileSystem* files = platform::current().fileSystem;
    if (!files) return fail(ERR_ACCESS_DENIED);
    u32 code = files->createForWritingAnsi(name_.get(), file_);
    if (code == ERR_ACCESS_DENIED) {
        // Windows will not replace a hidden file through CREATE_ALWAYS unless asked to keep it
        // hidden; the snapshot is not meant to be hidden, so the attribute goes.
        u32 attributes = files->queryAttributesAnsi(name_.get());
        if (attributes != platform::FILE_ATTRIBUTES_INVALID && (attributes & platform::FILE_ATTRIBUTE_HIDDEN_BIT) &&
            files->setAttributesAnsi(name_.get(), attributes & ~platform::FILE_ATTRIBUTE_HIDDEN_BIT) == 0) {
            code = files->createForWritingAnsi(name_.get(), file_);
        }
    }
    if (code) {
        file_.reset();
        return fail(code);
    }
    writing_ = true;
    error_ = 0;
    position_ = 0;
    next_ = end_ = 0;
    return ERR_OK;
}

u32 FileStream::openForReading() {
    if (file_) return fail(ERR_BAD_VALUE);
    platform::FileSystem* files = platform::current().fileSystem;
    if (!files) return fail(ERR_ACCESS_DENIED);
    u32 code = files->openForReadingAnsi(name_.get(), file_);
    if (code) {
        file_.reset();
        return fail(code);
    }
    writing_ = false;
    error_ = 0;
    position_ = 0;
    next_ = end_ = 0;
    return ERR_OK;
}

u32 FileStream::readFile(void* buffer, u32 count, u32& got) {
    got = 0;
    return file_->read(buffer, count, got);
}

u32 FileStream::read(void* buffer, u32 count) {
    if (error_) return error_;
    if (!file_) return fail(ERR_NOT_OPEN);
    if (writing_) return fail(ERR_READ);
    u8* out = static_cast<u8*>(buffer);
    while (count) {
        if (next_ < end_) {
            u32 n = end_ - next_ < count ? end_ - next_ : count;
            std::memcpy(out, buffer_.get() + next_, n);
            next_ += n;
            out += n;
            count -= n;
            position_ += n;
            continue;
        }
        u32 got = 0;
        if (count >= capacity_) {
            // Large reads bypass the buffer.
            if (readFile(out, count, got) || got == 0) return fail(ERR_READ);
            out += got;
            count -= got;
            position_ += got;
        } else {
            if (readFile(buffer_.get(), capacity_, got) || got == 0) return fail(ERR_READ);
            next_ = 0;
            end_ = got;
        }
    }
    return ERR_OK;
}

u32 FileStream::flushBuffer() {
    if (end_ == 0) return ERR_OK;
    u32 written = 0;
    u32 code = file_->write(buffer_.get(), end_, written);
    if (code || written != end_) return fail(ERR_WRITE);
    end_ = 0;
    return ERR_OK;
}

u32 FileStream::write(const void* data, u32 count) {
    if (error_) return error_;
    if (!file_) return fail(ERR_NOT_OPEN);
    if (!writing_) return fail(ERR_WRITE);
    const u8* in = static_cast<const u8*>(data);
    while (count) {
        if (end_ == 0 && count >= capacity_) {
            // Large writes bypass the buffer.
            u32 written = 0;
            u32 code = file_->write(in, count, written);
            if (code || written != count) return fail(ERR_WRITE);
            position_ += count;
            return ERR_OK;
        }
        u32 room = capacity_ - end_;
        u32 n = room < count ? room : count;
        std::memcpy(buffer_.get() + end_, in, n);
        end_ += n;
        in += n;
        count -= n;
        position_ += n;
        if (end_ == capacity_ && flushBuffer()) return error_;
    }
    return ERR_OK;
}

u32 FileStream::readU32(u32& value) {
    u8 b[4];
    value = 0;
    if (u32 code = read(b, 4)) return code;
    value = static_cast<u32>(b[0]) | static_cast<u32>(b[1]) << 8 | static_cast<u32>(b[2]) << 16 |
            static_cast<u32>(b[3]) << 24;
    return ERR_OK;
}

u32 FileStream::writeU32(u32 value) {
    const u8 b[4] = {static_cast<u8>(value), static_cast<u8>(value >> 8), static_cast<u8>(value >> 16),
                     static_cast<u8>(value >> 24)};
    return write(b, 4);
}

u32 FileStream::position(u64& out) {
    out = 0;
    if (!file_) return fail(ERR_NOT_OPEN);
    out = position_;
    return ERR_OK;
}

u32 FileStream::size(u64& out) {
    out = 0;
    if (!file_) return fail(ERR_NOT_OPEN);
    u64 fileSize = 0;
    if (u32 code = file_->size(fileSize)) return fail(code);
    // Written data still in the buffer counts.
    out = writing_ && position_ > fileSize ? position_ : fileSize;
    return ERR_OK;
}

u32 FileStream::close() {
    if (!file_) return error_;
    u32 code = ERR_OK;
    if (writing_) {
        if (!error_) code = flushBuffer();
        // The file ends where the data end, whatever was there before.
        if (!code && !error_ && file_->setEndOfFile()) code = ERR_WRITE;
    }
    if (file_->close() && writing_) code = ERR_WRITE;
    file_.reset();
    next_ = end_ = 0;
    if (error_) return error_;
    if (code) return fail(ERR_WRITE);
    return ERR_OK;
}

}  // namespace pelorin
