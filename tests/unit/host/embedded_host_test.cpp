#include <gtest/gtest.h>

#include "tools/assetpack/file_io.h"
#include "tools/assetpack/packer.h"
#include "tools/modelgen/trefoil.h"

namespace td {
namespace {

// The committed source must be what the tools make of the generated model today: regenerate
// it with modelgen and assetpack pack (see asset/embedded_asset.h) whenever either changes.
TEST(EmbeddedHostTest, CommittedSourceIsWhatTheToolsGenerate) {
    const std::string committed =
        readWholeFile(std::string(TD_SOURCE_DIR) + "/asset/embedded_model_data.cpp");
    const std::string regenerated = packModelSource(generateTrefoil());
    ASSERT_EQ(committed.size(), regenerated.size());
    EXPECT_TRUE(committed == regenerated);
}

}  // namespace
}  // namespace td
