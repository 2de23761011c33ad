#pragma once
// The whole public interface of libZEVGeometry.

#include "zev/ZEVExport.h"

// Foundation contracts
#include "zev/contracts/BoolFromEnvironment.h"
#include "zev/contracts/Error.h"
#include "zev/contracts/ErrorMsg.h"
#include "zev/contracts/ErrorReporter.h"
#include "zev/contracts/FloatUtilities.h"
#include "zev/contracts/FloatZEVVector.h"
#include "zev/contracts/FloatZEVVectorComponent.h"
#include "zev/contracts/FloatZEVVectorConcrete.h"
#include "zev/contracts/IntZEVVector.h"
#include "zev/contracts/Message.h"
#include "zev/contracts/Preferences.h"
#include "zev/contracts/ProgressTracker.h"
#include "zev/contracts/ReductionUtility.h"
#include "zev/contracts/StringUtilities.h"
#include "zev/contracts/Triplet.h"
#include "zev/contracts/TripletZEVVector.h"
#include "zev/contracts/Undefined.h"
#include "zev/contracts/ZEVAssertImpl.h"
#include "zev/contracts/ZEVMatrix4.h"
#include "zev/contracts/ZEVVector.h"

// Variables
#include "zev/variables/ScalarVariable.h"
#include "zev/variables/VarKey.h"
#include "zev/variables/VarType.h"
#include "zev/variables/Variable.h"
#include "zev/variables/VectorVariable.h"
