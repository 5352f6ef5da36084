#pragma once
// Records of the noise and signal-to-noise labels of the overlay plot control.
#include <cstddef>
#include <cstdint>

#pragma pack(push, 1)
// One noise box: its time span, value span and middle point.
struct STRUCT_NOISE_REGION {
  double startTime, endTime;
  double lowValue, highValue;
  double middleTime, middleValue;
};

// A measurement, as the RMS functions give it or as the peak-to-peak
// methods are turned into it.
struct STRUCT_NOISE_RESULT {
  double signalTime;
  double signalValue;
  int16_t signalPresent;
  double noise;
  int16_t baselinePresent;  // the baseline is taken off the signal
  double baseline;
  int16_t region1Present;
  STRUCT_NOISE_REGION region1;
  int16_t region2Present;
  STRUCT_NOISE_REGION region2;
};

// The noise box a signal-to-noise label owns (common allocator). Its head
// reads as the label's peak-box record.
struct STRUCT_NOISE_LABEL_DATA {
  STRUCT_NOISE_REGION region;
  double signalTime;
  double signalValue;
  double baseline;  // 0 when the measurement had none
  int16_t filtered;
};
#pragma pack(pop)
static_assert(sizeof(STRUCT_NOISE_REGION) == 48);
static_assert(sizeof(STRUCT_NOISE_LABEL_DATA) == 74);
static_assert(offsetof(STRUCT_NOISE_LABEL_DATA, signalTime) == 48);
static_assert(offsetof(STRUCT_NOISE_LABEL_DATA, filtered) == 72);

// Context-menu and toolbar commands of the noise measurements.
#define OPLOT_CMD_SIGNAL_TO_NOISE0 2980      // + slot; slot 20: the active plot
#define OPLOT_CMD_OLD_SIGNAL_TO_NOISE0 3200  // + slot
#define OPLOT_CMD_PP_SIGNAL_TO_NOISE0 3280   // + slot
#define OPLOT_CMD_RMS_FIT_TO_LINE 2805
// The label kind of signal-to-noise labels (deleted together by the delete-noise-labels commands).
#define OPLOT_LABEL_KIND_NOISE 100
