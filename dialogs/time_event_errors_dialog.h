#pragma once
// Template and control ids of the "Time Event Errors" dialog.
#define TIME_EVENT_ERRORS_DIALOG 334
#define TEE_IDC_MESSAGES 3344
