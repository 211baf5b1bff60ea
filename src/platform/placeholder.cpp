// placeholder so the library has a source; removed once the folder has real ones
