// Making a work file reads the data file's prefix while other threads of
// the process may be inside store transactions on that file; those
// transactions keep their locks, so a second writer process cannot
// corrupt the file.
#include "kelt_test_root.h"
#include "common/work_file.h"
#include "orvik32/tests/two_writers.h"

namespace {

class WorkFileLocksTest : public KeltRootTest {};

TEST_F(WorkFileLocksTest, TwoWritersBesideAThreadMakingWorkFilesKeepTheFileSound) {
  const std::string file = "C:\\TEMP\\run.kms";
  two_writers::Run(
      file,
      [&] {
        if (STRUCT_WORK_FILE* wf = MakeWorkFileStruct(file.c_str(), 1)) FreeWorkFileStruct(wf);
        uint8_t header[MS_RAW_HEADER_SIZE];
        ReadRawMSFileHeader(file.c_str(), header);
      },
      40);
}

}  // namespace
