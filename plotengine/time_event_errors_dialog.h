#pragma once
// Template and control ids of the "Time Event Errors" dialog.
#define TIME_EVENT_ERRORS_DIALOG 334
#define TEE_IDC_DUPLICATES 3341
#define TEE_IDC_OVERLAPS 3342
#define TEE_IDC_INVALID 3343
#define TEE_IDC_MESSAGES 3344
