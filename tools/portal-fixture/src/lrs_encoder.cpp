// LRS encoder
