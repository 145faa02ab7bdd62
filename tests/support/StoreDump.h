#pragma once
// The whole object graph of a context as one canonical text, one object a
// line, so a test compares states at a glance:
//   Account#1 {name="Cash", balance=12.5, currency=Currency#2, transactions=[Transaction#1]}
// Nil values are left out. Deleted objects are not listed.

#include <string>

#include "Platform/objectstore/ManagedObjectContext.h"

namespace tallo::test {

std::string dumpContext(const ManagedObjectContext& context);
std::string dumpObject(const ManagedObject& object);

}  // namespace tallo::test
