#include "common/world_layout.h"

#include <gtest/gtest.h>

TEST(WorldLayout, HandOverNamesAreTheLogNameADotAndASequence) {
  EXPECT_EQ(handOverName("busfile.txt", 7), "busfile.txt.7");
  struct Case {
    const char* name;
    const char* log;
    std::optional<unsigned long long> sequence;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"busfile.txt.1", "busfile.txt", 1},
           {"Metrofile2.txt.123456789012345678", "Metrofile2.txt", 123456789012345678ULL},
           {"busfile.txt", "busfile.txt", std::nullopt},
           {"busfile.txt.", "busfile.txt", std::nullopt},
           {"busfile.txt.0", "busfile.txt", std::nullopt},
           {"busfile.txt.07", "busfile.txt", std::nullopt},
           {"busfile.txt.7x", "busfile.txt", std::nullopt},
           {"busfile.txt.1234567890123456789", "busfile.txt", std::nullopt},
           {"busfile.txt.lock", "busfile.txt", std::nullopt},
           {"Metrofile2.txt.3", "Metrofile1.txt", std::nullopt},
           {"Metrofile12.txt.3", "Metrofile1.txt", std::nullopt},
       }) {
    EXPECT_EQ(handOverSequence(c.name, c.log), c.sequence) << c.name;
  }
}
