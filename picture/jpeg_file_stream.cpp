#include "picture/jpeg_file_stream.h"

#include "io/handle.h"

int jpeg_decoder_file_stream::read(u8* buffer, int maxBytes, bool* endOfStream) {
    if (m_endOfStream || maxBytes <= 0) {
        *endOfStream = m_endOfStream != 0;
        return 0;
    }
    const u32 count = m_handle.Read(buffer, u32(maxBytes));
    if (count < u32(maxBytes)) {
        *endOfStream = true;
        m_endOfStream = 1;
    }
    return int(count);
}
