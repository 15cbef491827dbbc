// The program's shared operations in one include: lists, Null values, statements,
// files, colours and skin, the application title and web pages.
#pragma once

#include "app/ApplicationTitle.h"
#include "app/Appearance.h"
#include "app/DataHelpers.h"
#include "app/Files.h"
#include "app/ListHelpers.h"
#include "app/WebPages.h"
