// The address index against a std::map under a long run of inserts and erases
// that collide on purpose (addresses a table size apart share a home slot).
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "registry/AddressIndex.h"

namespace ravo {
namespace {

TEST(AddressIndex, AgreesWithAMapThroughInsertsAndErases) {
    AddressIndex<int> index;
    std::map<std::int32_t, int> model;
    std::mt19937 random(7);
    for (int step = 0; step < 20000; ++step) {
        const auto address = static_cast<std::int32_t>(random() % 64 * 4096 + random() % 3);
        if (model.count(address)) {
            if (random() % 2) {
                index.erase(address);
                model.erase(address);
            }
        } else {
            index.insert(address, step);
            model[address] = step;
        }
        ASSERT_EQ(index.size(), model.size());
        if (step % 97 == 0)
            for (std::int32_t a = 0; a < 64 * 4096; a += 4096)
                for (std::int32_t k = a; k < a + 3; ++k) {
                    const int* found = index.find(k);
                    ASSERT_EQ(found != nullptr, model.count(k) == 1) << k;
                    if (found) {
                        ASSERT_EQ(*found, model[k]);
                    }
                }
    }
}

}  // namespace
}  // namespace ravo
