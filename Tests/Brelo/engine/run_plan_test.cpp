#include "engine/run_plan.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Support/temp_dir.h"
#include "engine/walk.h"
#include "platform/platform.h"

namespace {

class CollectPlans : public PlanVisitor {
public:
    void file_planned(FilePlan& plan) override { plans.push_back(plan); }
    std::vector<FilePlan> plans;
};

// Four files of one folder that all get one output name, in part 1 of 2 of a run. Whatever order
// the disk lists them in: the place decides the part and what the earlier run did, which beats
// a refusal; a refused name claims no output name; the first other file claims it, of whichever
// part, and every later one is refused for it, naming the first as the log shows it.
TEST(WalkPlans, StepsFollowPlaceRefusalAndTheFirstClaim) {
    test_support::TempDir dir;
    const std::string in = dir.file("in");
    const std::string out = dir.file("out");
    ASSERT_TRUE(make_directory(in));
    ASSERT_TRUE(make_directory(out));
    const std::vector<std::string> names = {"50%.txt", "b.txt", "c.txt", "d.txt"};
    for (const std::string& name : names) test_support::write_file(join_path(in, name), "");
    RunRequest request;
    request.settings.input_directory = in;
    request.settings.input_patterns = "*.txt";
    request.settings.output_directory = out;
    request.settings.output_pattern = "same.out";
    request.converter = Converter{"T", "conv.bat", "${infile} ${outfile}", ""};
    request.shard = RunShard{1, 2};
    // cmd.exe expands "%" even inside double quotes, so a batch converter refuses that name.
    PreparedCommand command = *check_request(request).command;
    command.batch_file = true;
    const auto walk = [&] {
        CollectPlans collected;
        EXPECT_TRUE(walk_plans(check_request(request), command, collected));
        return collected.plans;
    };
    // The earlier run did the refused file, wherever the disk lists it, and place 3.
    std::vector<bool> done(4, false);
    for (const FilePlan& plan : walk()) {
        if (!plan.refusal.empty()) done[plan.record.place] = true;
    }
    done[3] = true;
    request.done_earlier = done;
    const std::vector<FilePlan> plans = walk();
    ASSERT_EQ(plans.size(), names.size());
    std::string first;  // the first file that may claim the name
    for (int place = 0; place < 4; ++place) {
        const FilePlan& plan = plans[place];
        SCOPED_TRACE(plan.record.input_path);
        EXPECT_EQ(plan.record.place, place);
        EXPECT_EQ(plan.mine, place % 2 == 0);
        EXPECT_EQ(plan.record.output_path, join_path(out, "same.out"));
        const bool refused = plan.record.input_path == join_path(in, "50%.txt");
        EXPECT_EQ(plan.refusal.empty(), !refused);
        const bool claims = !refused && first.empty();
        if (claims) first = plan.input_shown;
        const FileStep step = done[place] ? FileStep::DoneEarlier
                              : refused  ? FileStep::Refused
                              : claims   ? FileStep::Convert
                                         : FileStep::SharedOutput;
        EXPECT_EQ(plan.step, step);
        EXPECT_EQ(plan.first_input, refused || claims ? "" : first);
    }
}

}  // namespace
