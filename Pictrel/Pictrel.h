#pragma once

// The drawing library: points and transformation, elements and drawings,
// draw destinations, text, table and point diagram.

#include "DeviceContext.h"
#include "DrawDest.h"
#include "DrawDestHDC.h"
#include "Element.h"
#include "ElementDiagramm2DPoint.h"
#include "ElementGenerator.h"
#include "ElementTable.h"
#include "ElementText.h"
#include "Point3D.h"
#include "SimpleElements.h"
#include "Styles.h"
#include "Transformator.h"
#include "basPictrel.h"
