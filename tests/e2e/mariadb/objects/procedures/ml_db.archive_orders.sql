DELIMITER //
CREATE PROCEDURE archive_orders(p_before DATE)
BEGIN
  DELETE FROM orders WHER amount > 0;
END //
DELIMITER ;
