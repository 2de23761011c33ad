// ZEV::IO, the mesh-file library on top of the kernel: one include for all of it.
#pragma once

#include "zev/io/CgnsReader.h"
#include "zev/io/CgnsWriter.h"
#include "zev/io/FormatError.h"
#include "zev/io/MeshConversion.h"
#include "zev/io/MeshData.h"
#include "zev/io/MeshFile.h"
#include "zev/io/VtkLegacyReader.h"
#include "zev/io/VtkLegacyWriter.h"
#include "zev/io/VtkXmlReader.h"
#include "zev/io/VtkXmlWriter.h"
