#include <gtest/gtest.h>
int dummy_bad_input;
