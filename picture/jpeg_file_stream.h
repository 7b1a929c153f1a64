// The small JPEG decoder's input over an open zIOHandle.
#pragma once

#include "picture/jpeg_decoder.h"

class zIOHandle;

class jpeg_decoder_file_stream : public jpeg_decoder_stream {
public:
    explicit jpeg_decoder_file_stream(zIOHandle& handle) : m_handle(handle) {}
    // Passes the request to the handle; a short read marks the end.
    int read(u8* buffer, int maxBytes, bool* endOfStream) override;

private:
    zIOHandle& m_handle;
    u8 m_endOfStream = 0;
};
