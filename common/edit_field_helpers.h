#pragma once
// Edit-field helpers of the dialogs: take a field's text when it loses the
// focus.
#include <cstdint>

#include "common/kelt_export.h"
#include "framework/framework_wnd.h"

// Reads the field (at most 198 characters, cut to maxLength) into buffer
// when it differs; the field then shows the buffer. 1 when the buffer
// changed; 0 when it did not or the control does not exist.
KELT_API int32_t HandleKillEditString(CWnd* dialog, uint16_t controlId, uint16_t maxLength, char* buffer);
