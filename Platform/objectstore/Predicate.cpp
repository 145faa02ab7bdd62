#include "Platform/objectstore/Predicate.h"

#include "Platform/objectstore/PredicateParser.h"

namespace tallo {

std::shared_ptr<const Predicate> Predicate::parse(std::string_view format, const std::vector<Value>& arguments,
                                                  std::string* error) {
    std::string message;
    std::unique_ptr<predicate::PredicateNode> node = predicate::Parser(format, arguments).parse(message);
    if (!node) {
        if (error != nullptr) *error = message;
        return nullptr;
    }
    return std::shared_ptr<const Predicate>(std::move(node));
}

}  // namespace tallo
