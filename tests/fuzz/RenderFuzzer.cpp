#include "FuzzInput.h"
#include "evaluation/Template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzInput input(data, size);
    (void)corvane::Template::render(input.text, input.context);
    (void)corvane::Template::stringify(corvane::Template::resolve(input.text, &input.context));
    return 0;
}
