// Objects that can be copied from one another by Assign, as in the class library.
#pragma once

#include <string>

#include "platform/classes.hpp"

class TPersistent : public TObject {
public:
  std::string ClassName() const override { return "TPersistent"; }

  // Copies `source` into this object. The base asks the source to assign itself to this object
  // (AssignTo); nullptr and unknown pairs raise EConvertError "Cannot assign a %s to a %s".
  virtual void Assign(TPersistent* source);
  // Copies this object into `dest`; the base raises the conversion error.
  virtual void AssignTo(TPersistent* dest);

protected:
  [[noreturn]] void AssignError(TPersistent* source);
};
