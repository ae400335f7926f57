// QueueNamesTest.cpp — the names the queue takes as reports, and the escaped form of the others in the log.
#include "core/uQueueNames.h"

#include <gtest/gtest.h>

namespace varnholt::test {
namespace {

struct TNameCase {
  std::string native;  // the bytes of the name on disk
  TQueueNameFault fault;
  std::string logged;  // EscapedQueueName, in 1252
};

TEST(QueueNames, TakesWindowsNamesOfTheCodePageOnly) {
  const TNameCase cases[] = {
      {"20261209143005_0001.pdf", TQueueNameFault::kNone, "20261209143005_0001.pdf"},
      {"Sample 17 (b) #2.PDF", TQueueNameFault::kNone, "Sample 17 (b) #2.PDF"},
      {"M\xC3\xBCller \xE2\x82\xAC.pdf", TQueueNameFault::kNone,
       "M\xFCller \x80.pdf"},  // ü and € are in 1252
      {"x\\..\\..\\PDFSTORE\\a.PDF", TQueueNameFault::kPathCharacter,
       "x\\x5C..\\x5C..\\x5CPDFSTORE\\x5Ca.PDF"},
      {"a:b.pdf", TQueueNameFault::kPathCharacter, "a:b.pdf"},
      {"what?.pdf", TQueueNameFault::kPathCharacter, "what?.pdf"},
      {"a|b.pdf", TQueueNameFault::kPathCharacter, "a|b.pdf"},
      {"line\nbreak.pdf", TQueueNameFault::kControl, "line\\x0Abreak.pdf"},
      {"carriage\rreturn.pdf", TQueueNameFault::kControl, "carriage\\x0Dreturn.pdf"},
      {"tab\there.pdf", TQueueNameFault::kControl, "tab\\x09here.pdf"},
      {"c1\xC2\x81.pdf", TQueueNameFault::kControl, "c1\\xC2\\x81.pdf"},  // U+0081, undefined in 1252
      {"\xE6\x97\xA5\\.pdf", TQueueNameFault::kNotCp1252, "\\xE6\\x97\\xA5\\x5C.pdf"},
      {"latin1-\xE9.pdf", TQueueNameFault::kNotUtf8, "latin1-\\xE9.pdf"},
      {"half\xC3.pdf", TQueueNameFault::kNotUtf8, "half\\xC3.pdf"},
      {"lf\n\xFF.pdf", TQueueNameFault::kNotUtf8, "lf\\x0A\\xFF.pdf"},  // the heaviest fault is reported
  };
  for (const TNameCase& c : cases) {
    SCOPED_TRACE(c.logged);
    EXPECT_EQ(QueueNameFault(c.native), c.fault);
    EXPECT_EQ(IsSafeQueueName(c.native), c.fault == TQueueNameFault::kNone);
    EXPECT_EQ(EscapedQueueName(c.native), c.logged);
  }
}

}  // namespace
}  // namespace varnholt::test
