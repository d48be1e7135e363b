#include "FuzzInput.h"
#include "evaluation/JSONPathFilter.h"

#include <optional>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input(data, size);
    (void)corvane::JSONPathFilter::matches(std::string(input.text), input.context);
    return 0;
}
