// The streaming XML reader on an arbitrary buffer: every value it hands out is read and decoded, and a
// successful parse must have delivered a balanced event stream. The input is copied into a buffer of
// exactly its size, so that a read past the end is caught.
#include "FuzzEnv.h"
#include "SaxCheckingHandler.h"

#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::unique_ptr<char[]> buffer(new char[size ? size : 1]);
    std::copy(data, data + size, buffer.get());
    SaxCheckingHandler handler;
    const HRESULT hr = KELDASax::ReadXml(buffer.get(), size, &handler);
    handler.CheckComplete(hr);
    return 0;
}
