#pragma once
// The dialogs' number and CAS-number fields: kill helpers take a field's
// value when it loses the focus (range-checked, the nearer bound offered
// on Yes/No, the stored value written back); change helpers tell whether
// the text being typed is acceptable now. Every helper returns 0 and
// touches nothing when the control id names no control of the dialog.
#include <cstdint>

#include "common/edit_field_helpers.h"
#include "common/kelt_export.h"
#include "framework/framework_wnd.h"

// 1 when the stored value changed.
KELT_API int32_t HandleKillEditShort(CWnd* dialog, uint16_t controlId, const char* name, int16_t low, int16_t high,
                                     int16_t* value);
KELT_API int32_t HandleKillEditLong(CWnd* dialog, uint16_t controlId, const char* name, int32_t low, int32_t high,
                                    int32_t* value);
KELT_API int32_t HandleKillEditDWORD(CWnd* dialog, uint16_t controlId, const char* name, uint32_t low,
                                     uint32_t high, uint32_t* value);
// format: a printf format for one double ("%.2lf"), used for the field
// and the message.
KELT_API int32_t HandleKillEditDouble(CWnd* dialog, uint16_t controlId, const char* name, const char* format,
                                      double low, double high, double* value);
// Digits only, read as a registry number; an emptied field stores 0.
KELT_API int32_t HandleKillEditCASNo(CWnd* dialog, uint16_t controlId, const char* name, int32_t low, int32_t high,
                                     int32_t* value);

// 1 when the field now holds an acceptable value.
KELT_API int32_t HandleChangeEditShort(CWnd* dialog, uint16_t controlId, int16_t low, int16_t high);
KELT_API int32_t HandleChangeEditLong(CWnd* dialog, uint16_t controlId, int32_t low, int32_t high);
KELT_API int32_t HandleChangeEditDWORD(CWnd* dialog, uint16_t controlId, uint32_t low, uint32_t high);
KELT_API int32_t HandleChangeEditDouble(CWnd* dialog, uint16_t controlId, double low, double high);
KELT_API int32_t HandleChangeEditCASNo(CWnd* dialog, uint16_t controlId, int32_t low, int32_t high);
// Copies the text (cut to maxLength) into buffer; 1 when it is not empty.
KELT_API int32_t HandleChangeEditString(CWnd* dialog, uint16_t controlId, uint16_t maxLength, char* buffer);
