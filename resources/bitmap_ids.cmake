# Every bitmap id of the window, in the order the artwork tool draws them: board, indicators,
# digits, small pictures, schematic view, user-manual pages.
set(VORSK_BITMAP_IDS
  596
  373 385 384 387 381 380 379 378 377 371 372 376
  295 296 297 298 369 370 367 368 310 309 305 306 311 312 313 314 316 317
  299 300 303 304 301 366 302 282
  341 342 343 344 345 346 347 348 349 350 351 352 353 354 355 356 357 358 359 360
  363 365 609 207 208 608)
foreach(id RANGE 494 513)
  list(APPEND VORSK_BITMAP_IDS ${id})
endforeach()
foreach(id RANGE 520 571)
  if(NOT id EQUAL 531)
    list(APPEND VORSK_BITMAP_IDS ${id})
  endif()
endforeach()
list(APPEND VORSK_BITMAP_IDS 592 593 599 600 601 602 603 604 605)
