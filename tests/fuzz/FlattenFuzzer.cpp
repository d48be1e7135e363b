#include "FuzzInput.h"
#include "evaluation/PayloadFlattener.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input(data, size);
    std::vector<corvane::PayloadFlattener::Row> rows;
    corvane::PayloadFlattener::flatten(&input.context, input.text, 0, rows);
    for (const auto& row : rows) {
        if (row.id != row.path || row.depth < 0) {
            std::abort();
        }
    }
    return 0;
}
