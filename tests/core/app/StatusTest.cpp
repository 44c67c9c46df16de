#include "core/app/Status.h"

#include <gtest/gtest.h>

using namespace kestrel;

// A failure keeps the code it was given; a failure without one, or one claiming Ok, is still a failure.
TEST(Status, CodesOfFailures) {
    struct Case {
        Status status;
        StatusCode code;
        const char* message;
    };
    const Case cases[] = {
        {Status::ok(), StatusCode::Ok, ""},
        {Status::error("x"), StatusCode::Failed, "x"},
        {Status::error(StatusCode::Busy, "in use"), StatusCode::Busy, "in use"},
        {Status::error(StatusCode::Ok, "odd"), StatusCode::Failed, "odd"},
        {Status::cancelled(), StatusCode::Cancelled, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.status.code(), c.code) << c.message;
        EXPECT_EQ(c.status.isOk(), c.code == StatusCode::Ok) << c.message;
        EXPECT_EQ(c.status.message(), c.message);
    }
    Result<int> r = Result<int>::error(StatusCode::NotFound, "none");
    EXPECT_FALSE(r.isOk());
    EXPECT_EQ(r.code(), StatusCode::NotFound);
    EXPECT_EQ(Result<int>(7).code(), StatusCode::Ok);
}
