// The shells of the two exported classes. All their work is done by static
// members; constructing a CVcdImageEx reloads the trace settings.
#include <brenvik/brenvik.h>

#include "frame/trace.h"

CDriveEx::CDriveEx() = default;

CDriveEx::~CDriveEx() = default;

CVcdImageEx::CVcdImageEx()
{
    DbgLoadLevel();
}

CVcdImageEx::~CVcdImageEx() = default;
