// controller placeholder
