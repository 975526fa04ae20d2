// cfi_internal_test.cpp — faults of the call-frame classes that no source can
// cause: a builder refuses what its kind does not offer by throwing a
// GeInternalError naming class and operation (one refusal of each class), and
// the assembler turns one into the internal-error report.
#include <gtest/gtest.h>

#include <functional>

#include "cfi/acfi_blocks.h"
#include "cfi/cfi_fixture.h"

namespace {

struct internal_case {
  const char* name;
  std::function<void()> action;
  const char* where;
  const char* text;
};

OgCfiNames::Resource resource(const char* name, OgCfiResourceKind kind = OgCfiResourceKind::resource) {
  OgCfiNames::Resource r;
  r.name = r.key = name;
  r.size = 1;
  r.kind = kind;
  return r;
}

GeRcRef<const OgCfiNames> base_names() {
  auto n = GeMakeRc<OgCfiNames>("n", GeRcRef<const OgCfiNames>());
  n->AddResource(resource("A"));
  return n;
}

// clang-format off
const internal_case kCases[] = {
    {"frame_cell_in_plain_block", [] { ACfiNamesBlock("n", "n").InsertFrameCell(resource("C", OgCfiResourceKind::frame_cell)); },
     "ACfiNamesBlock::InsertFrameCell", "InsertFrameCell not callable"},
    {"resource_in_extension", [] { ACfiNamesExtensionBlock("e", "e", base_names()).InsertResource(resource("R")); },
     "ACfiNamesExtensionBlock::InsertResource", "InsertResource not callable"},
    {"name_added_twice", [] { auto n = GeMakeRc<OgCfiNames>("n", GeRcRef<const OgCfiNames>()); n->AddResource(resource("A")); n->AddResource(resource("A")); },
     "OgCfiNames::AddResource", "Names CFI block builder out of sync!"},
    {"row_on_plain_builder", [] { OgCallFrameInfoBuilder().BeginRow(nullptr, 0); },
     "OgCallFrameInfoRowBuilder::BeginRow", "Shouldn't call this"},
    {"rule_before_any_row", [] { OgCallFrameInfoData(0).InsertRule(OgCfiTarget{}, OgCfiRule{}); },
     "OgCallFrameInfoData::InsertRule", "Can't come here"},
};
// clang-format on

void PrintTo(const internal_case& c, std::ostream* os) { *os << c.name; }

class CfiInternal : public ::testing::TestWithParam<internal_case> {};

TEST_P(CfiInternal, NamesClassAndOperation) {
  try {
    GetParam().action();
    ADD_FAILURE() << "no GeInternalError";
  } catch (const GeInternalError& e) {
    EXPECT_STREQ(e.Where(), GetParam().where);
    EXPECT_EQ(e.Text(), GetParam().text);
  }
}

INSTANTIATE_TEST_SUITE_P(Builders, CfiInternal, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<internal_case>& info) { return std::string(info.param.name); });

// A model whose common part refers to a names table the module never had
// cannot be written: the report names the writer, the run stops with code 3.
TEST_F(CfiTest, InternalErrorOfTheWriterIsReported) {
  run("  NOP\n");
  auto names = GeMakeRc<OgCfiNames>("n", GeRcRef<const OgCfiNames>());
  ACfiCommonBlock common("c", "c", names);
  cfi_module_model model;
  model.commons.push_back(common.Finish(0));
  int code = 0;
  try {
    cfi_record_of(cx, model);
  } catch (const run_stop& s) {
    code = s.exit_code;
  }
  EXPECT_EQ(code, 3);
  EXPECT_NE(cap.console.find("In function: OgQuillCfiInstructions::Write\nDiagnostic: Can't come here"),
            std::string::npos)
      << cap.console;
}

}  // namespace
