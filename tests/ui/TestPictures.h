// Ids of the picture loader's test pictures.
#pragma once

#define IDP_TEST_MARKED 100
#define IDP_TEST_NOT_A_PICTURE 102
